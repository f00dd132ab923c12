#include "GloveHands.h"

#include <exception>
#include <memory>
#include <mutex>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/Values.h>

namespace TSCoreXR
{
    using TSCore::OpenXRHand;
    using TSCore::Kinematics::Quat;

    namespace
    {
        // The library is called from one thread at a time; applications locate hands from any.
        std::mutex libraryMutex;

        bool ReadLocked(bool right, LayerConfig& config, const OpenXRHand::Pose& space, OpenXRHand::Locations& out)
        {
            // GetHandPose computes on the default model of the glove's side.
            static const TSCore::Kinematics::BasicHandModel rightModel = TSCore::Kinematics::BasicHandModel::Default(true);
            static const TSCore::Kinematics::BasicHandModel leftModel = TSCore::Kinematics::BasicHandModel::Default(false);
            TSCore::HandPose pose;
            std::shared_ptr<TSCore::HapticGlove> glove;
            if (!TSCore::HapticGlove::GetGlove(right, glove) || !glove)
                return false;
            TSCore::HandProfile& profile = right ? config.rightProfile : config.leftProfile;
            Quat imu;
            const bool complete = glove->GetHandPose(profile, pose) && glove->GetIMURotation(imu);
            OpenXRHand::Pose wrist;
            if (!complete || !OpenXRHand::WristPose(imu, right ? config.rightOffset : config.leftOffset, wrist))
                return false;
            const Quat yaw = Quat::FromAngleAxis(config.yawDegrees * TSCore::Kinematics::Values::Deg2Rad, 0, 1, 0);
            wrist.position = space.position + space.orientation.Rotate(wrist.position);
            wrist.orientation = space.orientation * yaw * wrist.orientation;
            return OpenXRHand::Locate(pose, right ? rightModel : leftModel, true, wrist, out);
        }
    }

    bool ReadHand(bool right, LayerConfig& config, const OpenXRHand::Pose& space, OpenXRHand::Locations& out)
    {
        try
        {
            std::lock_guard<std::mutex> lock(libraryMutex);
            if (ReadLocked(right, config, space, out))
                return true;
        }
        catch (const std::exception&)
        {
            // Out of memory in the library: treated as no reading.
        }
        out = OpenXRHand::Locations{};
        return false;
    }
}
