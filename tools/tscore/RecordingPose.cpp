#include "RecordingPose.h"

#include <memory>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>

#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    namespace
    {
        using RecordingFile = TSCoreLink::RecordingFile;

        /// The glove a device record announces, parsed as the service reader parses records;
        /// empty for other devices.
        std::shared_ptr<TSCore::HapticGlove> GloveOfRecord(int index, const std::string& record)
        {
            return std::dynamic_pointer_cast<TSCore::HapticGlove>(
                TSCore::ServiceReader::DeviceFromRecord(index, record));
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

        /// The pose of one reading, as the glove computes it from a text it read itself; false
        /// when the reading is not complete.
        bool Solve(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                   RecordedPose& out)
        {
            if (!TSCore::ServiceReader::HandPoseFromText(glove, text, profile, out.pose))
                return false;
            out.imu = TSCore::ServiceReader::IMURotationFromText(glove, text, out.orientation);
            return true;
        }
    }

    bool PoseFromRecording(const RecordingFile& recording, const std::string& name, std::optional<double> at,
                           int device, const std::optional<TSCore::HandProfile>& profile, RecordedPose& out,
                           std::string& error)
    {
        int gloveIndex = 0;
        for (std::size_t i = 0; i < recording.devices.size(); ++i)
        {
            auto glove = GloveOfRecord(static_cast<int>(i), recording.devices[i].record);
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
