#include "GloveHands.h"

#include <chrono>
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

        // Finding a glove reads every device record, twice the cost of the reading itself, so
        // the glove of each side is kept between frames and looked up again a few times a
        // second (a glove disconnected meanwhile is dropped then) or as soon as it is not read.
        constexpr std::chrono::milliseconds lookupInterval(250);
        struct Found
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            std::chrono::steady_clock::time_point at;
        };
        Found found[2]; // left, right; guarded by libraryMutex

        std::shared_ptr<TSCore::HapticGlove> Glove(bool right, bool again)
        {
            Found& side = found[right ? 1 : 0];
            const auto now = std::chrono::steady_clock::now();
            if (again || !side.glove || now - side.at >= lookupInterval)
            {
                if (!TSCore::HapticGlove::GetGlove(right, side.glove))
                    side.glove.reset();
                side.at = now;
            }
            return side.glove;
        }

        // The hand pose and orientation of a complete reading; false when there is none.
        bool Read(bool right, TSCore::HandProfile& profile, TSCore::HandPose& pose, Quat& imu)
        {
            for (bool again : {false, true})
            {
                const std::shared_ptr<TSCore::HapticGlove> glove = Glove(right, again);
                if (!glove)
                    return false;
                if (glove->GetHandPose(profile, pose) && glove->GetIMURotation(imu))
                    return true;
            }
            return false;
        }

        bool ReadLocked(bool right, LayerConfig& config, const OpenXRHand::Pose& space, OpenXRHand::Locations& out)
        {
            // GetHandPose computes on the default model of the glove's side.
            static const TSCore::Kinematics::BasicHandModel rightModel =
                TSCore::Kinematics::BasicHandModel::Default(true);
            static const TSCore::Kinematics::BasicHandModel leftModel =
                TSCore::Kinematics::BasicHandModel::Default(false);
            TSCore::HandPose pose;
            Quat imu;
            OpenXRHand::Pose wrist;
            if (!Read(right, right ? config.rightProfile : config.leftProfile, pose, imu) ||
                !OpenXRHand::WristPose(imu, right ? config.rightOffset : config.leftOffset, wrist))
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
