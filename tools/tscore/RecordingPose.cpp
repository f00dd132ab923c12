#include "RecordingPose.h"

#include <memory>
#include <vector>

#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/TS/Tessara.h>

#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    namespace
    {
        using RecordingFile = ToolCommon::RecordingFile;

        /// The glove a device record announces, parsed by the library; empty for other devices.
        std::shared_ptr<TSCore::HapticGlove> GloveOfRecord(const std::string& record)
        {
            std::vector<std::string> fields;
            for (std::size_t start = 0;;)
            {
                const std::size_t at = record.find('@', start);
                fields.push_back(record.substr(start, at == std::string::npos ? std::string::npos : at - start));
                if (at == std::string::npos)
                    break;
                start = at + 1;
            }
            if (fields.size() < 6)
                return nullptr;
            std::string constants = fields[3];
            if (!constants.empty() && constants.front() == '{')
                constants = constants.size() >= 2 ? constants.substr(1, constants.size() - 2) : std::string();
            std::shared_ptr<TSCore::TSDevice> device;
            if (fields[2] == "0")
                device = TSCore::TS::Tessara::Parse(constants);
            else if (fields[2] == "2")
                device = TSCore::Kelvo::Kelvo::Parse(constants);
            return std::dynamic_pointer_cast<TSCore::HapticGlove>(device);
        }

        /// The last text of device i at or before `at`; false when it has none by then.
        bool TextAt(const RecordingFile& recording, std::size_t device, std::optional<double> at, std::string& text,
                    double& t)
        {
            bool found = false;
            for (const auto& frame : recording.frames)
            {
                if (at && frame.t > *at)
                    break;
                if (frame.device == device)
                {
                    text = frame.text;
                    t = frame.t;
                    found = true;
                }
            }
            return found;
        }

        /// The pose of one reading; false when the reading is not complete.
        bool Solve(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                   RecordedPose& out)
        {
            const auto model = TSCore::Kinematics::BasicHandModel::Default(glove.IsRight());
            if (auto* tessara = dynamic_cast<TSCore::TS::Tessara*>(&glove))
            {
                const TSCore::TS::TS_GloveInfo info = tessara->GetGloveModel();
                const auto data = TSCore::TS::TS_SensorData::Parse(text, info);
                out.pose = TSCore::TS::Tessara::CalculateHandPose(TSCore::TS::Tessara::CalculateGlovePose(data, info),
                                                                  model, profile.tsProfile);
                out.imu = data.IMUParsed();
                out.orientation = data.imuRotation;
                return data.ParsedValues() == info.numSensors;
            }
            auto& kelvo = dynamic_cast<TSCore::Kelvo::Kelvo&>(glove);
            const TSCore::Kelvo::Kelvo_GloveInfo info = kelvo.GetGloveModel();
            const auto data = TSCore::Kelvo::Kelvo_SensorData::Parse(text, info);
            out.pose = TSCore::Kelvo::Kelvo::CalculateHandPose(model, data, profile.kelvoProfile);
            out.imu = data.IMUParsed();
            out.orientation = data.imuRotation;
            return data.parsedValues == info.numSensors;
        }
    }

    bool PoseFromRecording(const RecordingFile& recording, const std::string& name, std::optional<double> at,
                           int device, const std::optional<TSCore::HandProfile>& profile, RecordedPose& out,
                           std::string& error)
    {
        int gloveIndex = 0;
        for (std::size_t i = 0; i < recording.devices.size(); ++i)
        {
            auto glove = GloveOfRecord(recording.devices[i].record);
            if (!glove || (device >= 0 && gloveIndex++ != device))
                continue;
            std::string text;
            double t = 0.0;
            if (!TextAt(recording, i, at, text, t))
            {
                error = name + " holds no sensor text of " + recording.devices[i].key +
                        (at ? " by " + Fixed(*at, 3) + " s" : std::string());
                return false;
            }
            const std::string what = KindName(glove->GetDeviceType()) + " " + Printable(glove->GetDeviceID()) + " (" +
                                     (glove->IsRight() ? "right, " : "left, ") + recording.devices[i].key + ")";
            if (!Solve(*glove, text, profile.value_or(TSCore::HandProfile::Default(glove->IsRight())), out))
            {
                error = "the text of " + what + " at " + Fixed(t, 3) + " s in " + name + " is not a complete reading";
                return false;
            }
            out.caption = what + " at " + Fixed(t, 3) + " s of " + name;
            return true;
        }
        error = name + (device >= 0 ? " has no glove with index " + std::to_string(device)
                                    : std::string(" holds no glove (only other devices)"));
        return false;
    }
}
