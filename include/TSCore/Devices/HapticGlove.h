#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Export.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Hand/HandProfile.h"
#include "TSCore/Haptics/TS_BuzzCmd.h"
#include "TSCore/Haptics/TS_FFBCmd.h"
#include "TSCore/Haptics/ThumperCmd.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore
{
    /// Abstract base of every glove that gives hand poses and takes haptic commands: a
    /// device-independent view with discovery, command completion from the last commands
    /// sent, and the per-finger calibration range (smallest and largest values seen).
    class TSCORE_API HapticGlove : public TSDevice
    {
    public:
        /// Last commands sent successfully; a single-kind send completes the others from them.
        Haptics::TS_FFBCmd lastFFB;
        Haptics::TS_BuzzCmd lastBuzz;
        Haptics::ThumperCmd lastThumper;
        /// Per finger (thumb first), the component-wise extremes of the calibration values seen
        /// since the last reset; empty until the first reset.
        std::vector<Kinematics::Vect3D> calibrationMin;
        std::vector<Kinematics::Vect3D> calibrationMax;

        HapticGlove();
        HapticGlove(const HapticGlove& other) = default;
        HapticGlove(HapticGlove&& other) = default;
        HapticGlove& operator=(const HapticGlove& other) = default;
        HapticGlove& operator=(HapticGlove&& other) = default;

        /// Every discovered glove, connected or not, in discovery order (shared with the cache).
        static std::vector<std::shared_ptr<HapticGlove>> GetHapticGloves();
        /// The first connected glove; false and an empty pointer when there is none.
        static bool GetGlove(std::shared_ptr<HapticGlove>& out);
        /// The first connected glove of the requested hand.
        static bool GetGlove(bool right, std::shared_ptr<HapticGlove>& out);

        DeviceType GetDeviceType() override;
        std::string GetDeviceID() override;
        std::string GetHardwareVersion() override;
        int GetFirmwareVersion() override;

        virtual bool IsRight() = 0;
        /// The hand's orientation; identity and false when none was read.
        virtual bool GetIMURotation(Kinematics::Quat& q);
        /// The wearer's hand pose through the glove's part of the profile, on the default hand
        /// model of the glove's side; the idle pose and false when no complete reading is there.
        virtual bool GetHandPose(HandProfile& profile, HandPose& out);
        virtual bool GetHandPose(Kinematics::BasicHandModel& handModel, HandProfile& profile, HandPose& out);
        /// Sends the three off commands.
        virtual void StopHaptics();
        /// Encodes and writes the combined command; the glove classes implement it.
        virtual void SendHaptics(Haptics::TS_FFBCmd ffb, Haptics::TS_BuzzCmd buzz, Haptics::ThumperCmd thumper);
        virtual void SendHaptics(Haptics::TS_FFBCmd ffb, Haptics::TS_BuzzCmd buzz);
        virtual void SendHaptics(Haptics::ThumperCmd thumper);
        virtual void SendHaptics(Haptics::TS_BuzzCmd buzz);
        virtual void SendHaptics(Haptics::TS_FFBCmd ffb);
        /// Five per-finger values from the latest complete reading; five zeros and false otherwise.
        virtual bool GetCalibrationValues(std::vector<Kinematics::Vect3D>& values);
        virtual void ResetCalibrationRange();
        /// Widens the range by the given values (entries present, at most five).
        virtual void UpdateCalibrationRange(std::vector<Kinematics::Vect3D> values);
        /// Widens the range by the glove's current calibration values, when it has any.
        virtual void UpdateCalibrationRange();
        virtual void GetCalibrationRange(std::vector<Kinematics::Vect3D>& minValues,
                                         std::vector<Kinematics::Vect3D>& maxValues);
        /// UpdateCalibrationRange(), then ApplyCalibration(profile).
        virtual void UpdateCalibration(HandProfile& profile);
        /// Writes the range into the glove's own part of the profile. A finger whose range has
        /// (nearly) zero width, as when it did not move, or a bound that is not a finite number,
        /// keeps its interpolation sets, and a warning names it.
        virtual void ApplyCalibration(HandProfile& profile);

    protected:
        ~HapticGlove() = default;
    };
}
