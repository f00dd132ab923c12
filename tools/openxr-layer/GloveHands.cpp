#include "GloveHands.h"

#include <charconv>
#include <chrono>
#include <ctime>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/Values.h>

#include "Devices/SharedMemory.h"

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

        // Seconds since the service's latest time stamp, read where it lives on every call (the
        // library keeps no such age); none when the service stopped or wrote no readable stamp.
        std::optional<long long> StampAge()
        {
            namespace shm = TSCore::detail::SharedMemory;
            shm::ReadOnlySegment segment;
            std::string error;
            std::string text;
            if (!segment.Open(shm::devicesSegment, error) ||
                segment.Read(shm::timeStampObject, text) != shm::LookupResult::Found)
                return std::nullopt;
            long long stamp = 0;
            if (std::from_chars(text.data(), text.data() + text.size(), stamp).ec != std::errc())
                return std::nullopt;
            return static_cast<long long>(std::time(nullptr)) - stamp;
        }

        // The hand pose and orientation of a complete reading of a connected glove, and what they
        // may claim; Lost when there is none.
        OpenXRHand::Tracking Read(bool right, TSCore::HandProfile& profile, TSCore::HandPose& pose, Quat& imu)
        {
            for (bool again : {false, true})
            {
                const std::shared_ptr<TSCore::HapticGlove> glove = Glove(right, again);
                if (!glove)
                    break;
                if (glove->GetHandPose(profile, pose) && glove->GetIMURotation(imu) && glove->IsConnected())
                {
                    const std::optional<long long> age = StampAge();
                    return OpenXRHand::TrackingOf(age.has_value(), age.value_or(0), true, true);
                }
            }
            return OpenXRHand::Tracking::Lost;
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
            const OpenXRHand::Tracking tracking =
                Read(right, right ? config.rightProfile : config.leftProfile, pose, imu);
            if (tracking == OpenXRHand::Tracking::Lost ||
                !OpenXRHand::WristPose(imu, right ? config.rightOffset : config.leftOffset, wrist))
                return false;
            const Quat yaw = Quat::FromAngleAxis(config.yawDegrees * TSCore::Kinematics::Values::Deg2Rad, 0, 1, 0);
            wrist.position = space.position + space.orientation.Rotate(wrist.position);
            wrist.orientation = space.orientation * yaw * wrist.orientation;
            return OpenXRHand::Locate(pose, right ? rightModel : leftModel, tracking, wrist, out);
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

    namespace
    {
        int Channels(TSCore::HapticGlove& glove)
        {
            switch (glove.GetDeviceType())
            {
            case TSCore::DeviceType::Tessara:
                return 5;
            case TSCore::DeviceType::Kelvo:
                return 4;
            default:
                return 0;
            }
        }

        // Runs body on the connected glove of that side under the library's lock; false when
        // there is none, body returns false or the library throws.
        template <typename Body>
        bool WithGlove(bool right, Body body) noexcept
        {
            try
            {
                std::lock_guard<std::mutex> lock(libraryMutex);
                const std::shared_ptr<TSCore::HapticGlove> glove = Glove(right, false);
                return glove && glove->IsConnected() && body(*glove);
            }
            catch (const std::exception&)
            {
                return false;
            }
        }
    }

    int ForceFeedbackChannels(bool right)
    {
        int channels = 0;
        WithGlove(right, [&](TSCore::HapticGlove& glove) { return (channels = Channels(glove)) > 0; });
        return channels;
    }

    bool SendForce(bool right, const ForceLevels& levels)
    {
        return WithGlove(right,
                         [&](TSCore::HapticGlove& glove)
                         {
                             const std::optional<long long> age = StampAge();
                             const int channels = Channels(glove);
                             if (channels == 0 || !age || *age >= OpenXRHand::stoppedAfterSeconds)
                                 return false;
                             std::vector<int> sent(levels.begin(), levels.end());
                             for (std::size_t f = static_cast<std::size_t>(channels); f < sent.size(); ++f)
                                 sent[f] = 0;
                             glove.SendHaptics(TSCore::Haptics::TS_FFBCmd(sent));
                             // Only a command the library wrote becomes its last one.
                             return glove.lastFFB.levels == sent;
                         });
    }

    void ReleaseForce(bool right)
    {
        WithGlove(right,
                  [](TSCore::HapticGlove& glove)
                  {
                      glove.SendHaptics(TSCore::Haptics::TS_FFBCmd::off);
                      return true;
                  });
    }
}
