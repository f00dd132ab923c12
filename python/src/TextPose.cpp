#include "TextPose.h"

#include "Arrays.h"

#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include <algorithm>

namespace tscore_py
{
    using TSCore::HandPose;
    using TSCore::Kelvo::Kelvo;
    using TSCore::Kinematics::Quat;
    using TSCore::TS::Tessara;

    namespace
    {
        HandPosePtr WithOrientation(HandPose pose, bool parsed, const Quat& q)
        {
            auto out = std::make_unique<HandPoseObject>(std::move(pose));
            if (parsed)
                Write(out->orientation, q);
            return out;
        }
    }

    HandPosePtr PoseOfText(TSCore::HapticGlove& glove, const std::string& text, const TSCore::HandProfile& profile,
                           const TSCore::Kinematics::BasicHandModel& model)
    {
        if (auto* tessara = dynamic_cast<Tessara*>(&glove))
        {
            const auto info = tessara->GetGloveModel();
            const auto data = TSCore::TS::TS_SensorData::Parse(text, info);
            TSCore::TS::TS_GlovePose linkage;
            if (!tessara->GetGlovePose(data, linkage)) // incomplete; widens the range otherwise
                return nullptr;
            return WithOrientation(Tessara::CalculateHandPose(linkage, model, profile.tsProfile), data.imuParsed,
                                   data.imuRotation);
        }
        if (auto* kelvo = dynamic_cast<Kelvo*>(&glove))
        {
            const auto info = kelvo->GetGloveModel();
            const auto data = TSCore::Kelvo::Kelvo_SensorData::Parse(text, info);
            if (data.parsedValues != info.numSensors)
                return nullptr;
            kelvo->UpdateCalibrationRange(Kelvo::GetCalibrationValues(data));
            return WithOrientation(Kelvo::CalculateHandPose(model, data, profile.kelvoProfile), data.imuParsed,
                                   data.imuRotation);
        }
        return nullptr;
    }
}
