#include "GloveHands.h"

#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Haptics/ThumperCmd.h>
#include <TSCore/Kinematics/Values.h>

#include "GloveFacts.h"
#include "ServiceTexts.h"

namespace TSCoreXR
{
    using TSCore::OpenXRHand;
    using TSCore::ServiceReader;
    using TSCore::Kinematics::Quat;

    namespace
    {
        // The layer's one reader. Applications may call the layer from any thread (locate on
        // one, apply force on another, poll events on a third), and a reader is used from one
        // thread at a time: every use holds the lock, which also guards the configuration's
        // profiles and the glove objects' last commands.
        struct Gloves
        {
            std::mutex mutex;
            std::optional<ServiceReader> reader; ///< made on first use, not when the layer loads
            TSCore::HandPose pose;               ///< reused from call to call: a frame allocates nothing

            ServiceReader& Reader()
            {
                if (!reader)
                    reader.emplace();
                reader->Update();
                return *reader;
            }
        };

        Gloves& Shared()
        {
            static Gloves gloves;
            return gloves;
        }

        // The hand pose and orientation of the first connected glove of that side, from one
        // reading, and what they may claim; Lost when there is none.
        OpenXRHand::Tracking Read(ServiceReader& reader, bool right, const TSCore::HandProfile& profile,
                                  TSCore::HandPose& pose, Quat& imu)
        {
            const std::size_t at = reader.FindGlove(right);
            if (at == ServiceReader::npos)
                return OpenXRHand::Tracking::Lost;
            const bool complete = reader.GetHandPose(at, profile, pose) &&
                                  ServiceReader::IMURotationFromText(*reader.Glove(at), reader.Text(at), imu);
            const std::optional<long long> age = reader.StampAge();
            return OpenXRHand::TrackingOf(age.has_value(), age.value_or(0), reader.Info(at).connected, complete);
        }

        bool ReadLocked(Gloves& gloves, bool right, const LayerConfig& config, const OpenXRHand::Pose& space,
                        OpenXRHand::Locations& out)
        {
            Quat imu;
            OpenXRHand::Pose wrist;
            const OpenXRHand::Tracking tracking =
                Read(gloves.Reader(), right, right ? config.rightProfile : config.leftProfile, gloves.pose, imu);
            if (tracking == OpenXRHand::Tracking::Lost ||
                !OpenXRHand::WristPose(imu, right ? config.rightOffset : config.leftOffset, wrist))
                return false;
            const Quat yaw = Quat::FromAngleAxis(config.yawDegrees * TSCore::Kinematics::Values::Deg2Rad, 0, 1, 0);
            wrist.position = space.position + space.orientation.Rotate(wrist.position);
            wrist.orientation = space.orientation * yaw * wrist.orientation;
            // GetHandPose computes on the default model of the glove's side.
            return OpenXRHand::Locate(gloves.pose, TSCoreLink::DefaultHandModel(right), tracking, wrist, out);
        }
    }

    bool ReadHand(bool right, LayerConfig& config, const OpenXRHand::Pose& space, OpenXRHand::Locations& out)
    {
        try
        {
            Gloves& gloves = Shared();
            std::lock_guard<std::mutex> lock(gloves.mutex);
            if (ReadLocked(gloves, right, config, space, out))
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
            return static_cast<int>(TSCoreLink::ChannelsOf(glove.GetDeviceType()).ffb);
        }

        // Vibration (and a Kelvo's thumper magnitude) as the glove's command entry holds them,
        // whichever program sent them, so that a force-feedback command leaves them as they are.
        // A Tessara's thumper effect plays once: it is never repeated.
        void KeepVibration(const ServiceReader::DeviceInfo& info, TSCore::HapticGlove& glove)
        {
            TSCoreLink::CommandLevels now;
            const bool thumperByte = TSCoreLink::TakesThumperByte(info.firmwareVersion, info.subFirmwareVersion);
            if (TSCoreLink::ReadHeldCommand(info.deviceKey, info.type, thumperByte, now) !=
                TSCoreLink::HeldCommand::Held)
                return;
            glove.lastBuzz = TSCore::Haptics::TS_BuzzCmd(now.buzz);
            if (info.type == TSCore::DeviceType::Kelvo)
                glove.lastThumper = TSCore::Haptics::ThumperCmd(now.thumper);
        }

        // Runs body on the first connected glove of that side under the reader's lock; false
        // when there is none, body returns false or the library throws.
        template <typename Body>
        bool WithGlove(bool right, Body body) noexcept
        {
            try
            {
                Gloves& gloves = Shared();
                std::lock_guard<std::mutex> lock(gloves.mutex);
                ServiceReader& reader = gloves.Reader();
                const std::size_t at = reader.FindGlove(right);
                return at != ServiceReader::npos && body(reader, *reader.Glove(at));
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
        WithGlove(right,
                  [&](const ServiceReader&, TSCore::HapticGlove& glove) { return (channels = Channels(glove)) > 0; });
        return channels;
    }

    bool SendForce(bool right, const ForceLevels& levels)
    {
        return WithGlove(right,
                         [&](const ServiceReader& reader, TSCore::HapticGlove& glove)
                         {
                             const int channels = Channels(glove);
                             if (channels == 0 || reader.State() == ServiceReader::ServiceState::Stopped)
                                 return false;
                             std::vector<int> sent(levels.begin(), levels.end());
                             for (std::size_t f = static_cast<std::size_t>(channels); f < sent.size(); ++f)
                                 sent[f] = 0;
                             KeepVibration(reader.Info(reader.FindKey(glove.GetDeviceKey())), glove);
                             glove.SendHaptics(TSCore::Haptics::TS_FFBCmd(sent));
                             // Only a command the library wrote becomes its last one.
                             return glove.lastFFB.levels == sent;
                         });
    }

    void ReleaseForce(bool right)
    {
        WithGlove(right,
                  [](const ServiceReader&, TSCore::HapticGlove& glove)
                  {
                      glove.SendHaptics(TSCore::Haptics::TS_FFBCmd::off);
                      return true;
                  });
    }
}
