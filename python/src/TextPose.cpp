#include "TextPose.h"

#include "Arrays.h"

#include <TSCore/Devices/ServiceReader.h>

namespace tscore_py
{
    using TSCore::ServiceReader;

    HandPosePtr PoseOfText(TSCore::HapticGlove& glove, std::string_view text, const TSCore::HandProfile& profile,
                           const TSCore::Kinematics::BasicHandModel* model, bool withOrientation)
    {
        TSCore::HandPose pose;
        const bool complete = model != nullptr ? ServiceReader::HandPoseFromText(glove, text, *model, profile, pose)
                                               : ServiceReader::HandPoseFromText(glove, text, profile, pose);
        if (!complete)
            return nullptr;
        auto out = std::make_unique<HandPoseObject>(std::move(pose));
        TSCore::Kinematics::Quat q;
        if (withOrientation && ServiceReader::IMURotationFromText(glove, text, q))
            Write(out->orientation, q);
        return out;
    }
}
