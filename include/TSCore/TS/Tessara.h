#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Export.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Haptics/TS_FingerCmd.h"
#include "TSCore/Haptics/TS_ThumperCmd.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/TS/TS_GloveInfo.h"
#include "TSCore/TS/TS_GlovePose.h"
#include "TSCore/TS/TS_HandProfile.h"
#include "TSCore/TS/TS_SensorData.h"

namespace TSCore::TS
{
    /// The exoskeleton force-feedback glove: one glove announced by the connection service,
    /// and the kinematics that turn its readings into glove and hand poses. Discovery hands out
    /// copies; calibration gathered on a copy stays with that copy.
    class TSCORE_API Tessara final : public HapticGlove
    {
    public:
        /// The glove's identity, firmware, side and linkage geometry.
        TS_GloveInfo gloveModel;

        Tessara();
        explicit Tessara(TS_GloveInfo gloveModel);
        Tessara(const Tessara& other) = default;
        Tessara(Tessara&& other) = default;
        Tessara& operator=(const Tessara& other) = default;
        Tessara& operator=(Tessara&& other) = default;
        ~Tessara() = default;

        // Keeps every inherited single-command overload callable beside the ones below.
        using HapticGlove::SendHaptics;

        DeviceType GetDeviceType() override;
        std::string GetDeviceID() override;
        std::string GetHardwareVersion() override;
        int GetFirmwareVersion() override;
        int GetSubFirmwareVersion() override;
        /// "Tessara " + ID.
        std::string ToString() override;
        bool IsRight() override;
        bool GetIMURotation(Kinematics::Quat& q) override;
        bool GetHandPose(HandProfile& profile, HandPose& out) override;
        bool GetHandPose(Kinematics::BasicHandModel& handModel, HandProfile& profile, HandPose& out) override;
        /// Force feedback and vibration; the thumper argument is not used (thumper effects go
        /// through the TS_ThumperCmd overloads).
        void SendHaptics(Haptics::TS_FFBCmd ffb, Haptics::TS_BuzzCmd buzz, Haptics::ThumperCmd thumper) override;
        void SendHaptics(Haptics::TS_BuzzCmd buzz) override;
        void SendHaptics(Haptics::TS_FFBCmd ffb) override;
        bool GetCalibrationValues(std::vector<Kinematics::Vect3D>& values) override;
        /// Flexion 10° to 70° for every digit, the thumb's spread by side.
        void ResetCalibrationRange() override;
        void ApplyCalibration(HandProfile& profile) override;

        /// A glove from its constants string; empty when the string is rejected.
        static std::shared_ptr<TSDevice> Parse(std::string constants);
        /// The first connected glove, copied into out; out unchanged when there is none.
        static bool GetTessara(Tessara& out);
        /// The first connected glove of the requested side.
        static bool GetTessara(bool right, Tessara& out);
        /// Copies of the connected gloves, or of every glove.
        static std::vector<Tessara> GetTessaras(bool onlyConnected);

        TS_GloveInfo GetGloveModel() const { return gloveModel; }
        /// The latest reading; true only when every sensor value was read (out holds an
        /// incomplete reading too). out is unchanged when nothing could be read.
        bool GetSensorData(TS_SensorData& out);
        bool GetGlovePose(TS_GlovePose& out);
        /// The linkage pose of a complete reading; widens the calibration range.
        bool GetGlovePose(TS_SensorData data, TS_GlovePose& out);
        bool GetHandPose(Kinematics::BasicHandModel& handModel, TS_HandProfile& profile, HandPose& out);
        /// Writes the calibration range into the profile's interpolation sets.
        void ApplyCalibration(TS_HandProfile& profile);
        /// The full command; the thumper byte only on firmware that takes it.
        bool SendHaptics(Haptics::TS_FFBCmd ffb, Haptics::TS_BuzzCmd buzz, Haptics::TS_ThumperCmd thumper);
        /// The thumper effect with the last levels sent.
        bool SendHaptics(Haptics::TS_ThumperCmd thumper);

        /// Linkage pose of a reading; the idle pose when the reading is incomplete.
        static TS_GlovePose CalculateGlovePose(const TS_SensorData& data, const TS_GloveInfo& gloveInfo);
        /// Forward kinematics over the five linkages; a missing finger's angles read as zero.
        static TS_GlovePose CalculateGlovePose(std::vector<std::vector<Kinematics::Vect3D>> gloveAngles,
                                               const TS_GloveInfo& gloveInfo);
        /// The wearer's hand from a glove pose, through the profile's interpolator and the hand
        /// model. The side is always the profile's.
        static HandPose CalculateHandPose(const TS_GlovePose& glovePose, const Kinematics::BasicHandModel& handModel,
                                          const TS_HandProfile& profile);
        /// Per finger, the summed linkage angles of the pose.
        static std::vector<Kinematics::Vect3D> GetCalibrationValues(TS_GlovePose pose);

    protected:
        static constexpr char hapticsByte = 'Z';
        static constexpr char thumperByte = 'W';

        /// Five level bytes (level + 1), thumb first, ending before the first zero byte.
        static std::string ToBytes(Haptics::TS_FingerCmd cmd);
        /// The decimal text of magnitude + 1 as a signed 8-bit value.
        static std::string ToBytes(Haptics::ThumperCmd cmd);
    };
}
