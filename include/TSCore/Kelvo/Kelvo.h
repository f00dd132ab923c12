#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Export.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kelvo/Kelvo_GloveInfo.h"
#include "TSCore/Kelvo/Kelvo_Profile.h"
#include "TSCore/Kelvo/Kelvo_SensorData.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kelvo
{
    /// The second-model glove. It has sensors for thumb, index, middle and ring finger; the
    /// little finger follows the ring finger. Discovery hands out copies; calibration gathered
    /// on a copy stays with that copy.
    class TSCORE_API Kelvo final : public HapticGlove
    {
    public:
        /// The glove's identity and constants.
        Kelvo_GloveInfo gloveInfo;

        Kelvo();
        explicit Kelvo(Kelvo_GloveInfo info);
        Kelvo(const Kelvo& other) = default;
        Kelvo(Kelvo&& other) = default;
        Kelvo& operator=(const Kelvo& other) = default;
        Kelvo& operator=(Kelvo&& other) = default;
        ~Kelvo() = default;

        // Keeps every inherited single-command overload callable on a Kelvo.
        using HapticGlove::SendHaptics;

        DeviceType GetDeviceType() override;
        std::string GetDeviceID() override;
        std::string GetHardwareVersion() override;
        int GetFirmwareVersion() override;
        int GetSubFirmwareVersion() override;
        /// "Kelvo " + ID.
        std::string ToString() override;
        bool IsRight() override;
        bool GetIMURotation(Kinematics::Quat& q) override;
        bool GetHandPose(HandProfile& profile, HandPose& out) override;
        bool GetHandPose(Kinematics::BasicHandModel& handModel, HandProfile& profile, HandPose& out) override;
        /// '{', 'Z', four force-feedback bytes, the thumper byte, two vibration bytes, '}'.
        void SendHaptics(Haptics::TS_FFBCmd ffb, Haptics::TS_BuzzCmd buzz, Haptics::ThumperCmd thumper) override;
        void SendHaptics(Haptics::ThumperCmd thumper) override;
        void SendHaptics(Haptics::TS_BuzzCmd buzz) override;
        void SendHaptics(Haptics::TS_FFBCmd ffb) override;
        bool GetCalibrationValues(std::vector<Kinematics::Vect3D>& values) override;
        void ApplyCalibration(HandProfile& profile) override;

        /// A glove from its constants string; empty when the string is empty or rejected.
        static std::shared_ptr<TSDevice> Parse(std::string constantsString);
        /// The first connected glove, copied into out; out unchanged when there is none.
        static bool GetKelvo(Kelvo& out);
        /// The first glove of the requested hand, connected or not.
        static bool GetKelvo(bool right, Kelvo& out);
        /// Copies of every glove, connected or not.
        static std::vector<Kelvo> GetKelvos();

        Kelvo_GloveInfo GetGloveModel() const { return gloveInfo; }
        /// The latest reading; true for a complete one, which also widens the calibration range.
        bool GetSensorData(Kelvo_SensorData& out);
        bool GetHandPose(Kinematics::BasicHandModel& handModel, Kelvo_Profile& profile, HandPose& out);
        /// Writes the calibration range into the profile's interpolation sets.
        void ApplyCalibration(Kelvo_Profile& profile);

        /// The hand pose of a reading through the profile's interpolator and the model's
        /// geometry. Entries the reading lacks (it should have four) count as zero vectors.
        static HandPose CalculateHandPose(const Kinematics::BasicHandModel& model, const Kelvo_SensorData& data,
                                          const Kelvo_Profile& profile);

        /// Five per-finger values: entries 0 to 3 of the reading (zero where missing), then the
        /// ring finger's entry again for the little finger.
        static std::vector<Kinematics::Vect3D> GetCalibrationValues(const Kelvo_SensorData& data);

    protected:
        static constexpr char hapticsByte = 'Z';
        /// Kept from the glove's first firmware; no operation consults it.
        static const Kinematics::Vect3D minCalRange;

        /// Four level bytes (level + 1): thumb, index, middle, ring; ends before a zero byte.
        static std::string ToBytes(Haptics::TS_FFBCmd cmd);
        /// Two level bytes: thumb and index.
        static std::string ToBytes(Haptics::TS_BuzzCmd cmd);
        /// One byte: magnitude + 1.
        static std::string ToBytes(Haptics::ThumperCmd cmd);

        /// Writes a calibration range (per finger the smallest and largest values seen) into the
        /// profile's input ranges and sets the fixed start angles; right picks the sign of the
        /// thumb's abduction output. Fingers beyond either list, sets the profile does not have,
        /// and ranges too narrow to map through (see HapticGlove::ApplyCalibration) are left alone.
        static void ApplyCalibrationRange(Kelvo_Profile& profile, const std::vector<Kinematics::Vect3D>& minValues,
                                          const std::vector<Kinematics::Vect3D>& maxValues, bool right);
    };
}
