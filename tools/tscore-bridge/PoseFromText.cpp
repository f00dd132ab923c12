#include "PoseFromText.h"

#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/TS/Tessara.h>

namespace TSCoreBridge
{
    namespace
    {
        using TSCore::Kinematics::BasicHandModel;

        const BasicHandModel& DefaultModel(bool right)
        {
            static const BasicHandModel rightModel = BasicHandModel::Default(true);
            static const BasicHandModel leftModel = BasicHandModel::Default(false);
            return right ? rightModel : leftModel;
        }

        bool TessaraPose(const TSCore::TS::Tessara& glove, const std::string& text, const TSCore::HandProfile& profile,
                         TSCore::HandPose& out)
        {
            using TSCore::TS::Tessara;
            const auto& info = glove.gloveModel;
            const auto data = TSCore::TS::TS_SensorData::Parse(text, info);
            if (data.parsedValues != info.numSensors)
                return false;
            const auto glovePose = Tessara::CalculateGlovePose(info.ToGloveAngles(data.sensorAngles), info);
            out = Tessara::CalculateHandPose(glovePose, DefaultModel(info.isRight), profile.tsProfile);
            return true;
        }

        bool KelvoPose(const TSCore::Kelvo::Kelvo& glove, const std::string& text, const TSCore::HandProfile& profile,
                       TSCore::HandPose& out)
        {
            const auto& info = glove.gloveInfo;
            const auto data = TSCore::Kelvo::Kelvo_SensorData::Parse(text, info);
            if (data.parsedValues != info.numSensors)
                return false;
            out = TSCore::Kelvo::Kelvo::CalculateHandPose(DefaultModel(info.isRight), data, profile.kelvoProfile);
            return true;
        }
    }

    bool HandPoseFromText(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                          TSCore::HandPose& out)
    {
        bool complete = false;
        if (const auto* tessara = dynamic_cast<const TSCore::TS::Tessara*>(&glove))
            complete = TessaraPose(*tessara, text, profile, out);
        else if (const auto* kelvo = dynamic_cast<const TSCore::Kelvo::Kelvo*>(&glove))
            complete = KelvoPose(*kelvo, text, profile, out);
        if (!complete)
            out = TSCore::HandPose::DefaultIdle(profile.isRight);
        return complete;
    }
}
