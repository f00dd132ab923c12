#include "TSCore/Kelvo/Kelvo.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/FingerMovement.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/InterpolationSet.h"
#include "TSCore/Kinematics/JointKinematics.h"
#include "TSCore/Kinematics/ThumbMovement.h"
#include "TSCore/Kinematics/Values.h"
#include "Kinematics/DigitChain.h"

namespace TSCore::Kelvo
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Haptics::ThumperCmd;
    using Haptics::TS_BuzzCmd;
    using Haptics::TS_FFBCmd;
    using Kinematics::BasicHandModel;
    using Kinematics::FingerMovement;
    using Kinematics::HandInterpolator;
    using Kinematics::InterpolationSet;
    using Kinematics::JointKinematics;
    using Kinematics::Quat;
    using Kinematics::ThumbMovement;
    using Kinematics::Values;
    using Kinematics::Vect3D;

    namespace
    {
        // The glove has no sensor of its own for the little finger.
        constexpr std::size_t ringSensor = 3;

        Vect3D EntryOrZero(const std::vector<Vect3D>& entries, std::size_t i)
        {
            return i < entries.size() ? entries[i] : Vect3D::zero;
        }

        InterpolationSet* SetOf(Kelvo_Profile& profile, std::size_t digit, int movement)
        {
            std::vector<std::vector<InterpolationSet>>& sets = profile.interpolator.interpolationSets;
            if (digit >= sets.size() || static_cast<std::size_t>(movement) >= sets[digit].size())
                return nullptr;
            return &sets[digit][static_cast<std::size_t>(movement)];
        }

        // Input range from the calibration extremes and the output's start angle; the output's
        // end (full flexion) stays the profile's own.
        void Calibrate(InterpolationSet* set, float inStart, float inEnd, float outStart)
        {
            if (set == nullptr)
                return;
            set->inStart = inStart;
            set->inEnd = inEnd;
            set->outStart = outStart;
        }
    }

    HandPose Kelvo::CalculateHandPose(const BasicHandModel& model, const Kelvo_SensorData& data,
                                      const Kelvo_Profile& profile)
    {
        const HandInterpolator& interp = profile.interpolator;
        const std::vector<Vect3D>& s = data.sensorAngles;

        std::vector<std::vector<Vect3D>> angles;
        angles.reserve(fingerCount);
        angles.push_back(HandInterpolator::InterpolateThumbAngles(interp, EntryOrZero(s, 0)));
        for (std::size_t f = 1; f <= ringSensor; ++f)
            angles.push_back(
                HandInterpolator::InterpolateFingerAngles(static_cast<Finger>(f), interp, EntryOrZero(s, f)));
        // The ring finger's sensor through the little finger's own sets.
        angles.push_back(HandInterpolator::InterpolateFingerAngles(Finger::Pinky, interp, EntryOrZero(s, ringSensor)));

        std::vector<std::vector<Vect3D>> positions(fingerCount);
        std::vector<std::vector<Quat>> rotations(fingerCount);
        std::vector<Vect3D> bones;
        Kinematics::detail::DigitBones(model, Finger::Thumb, bones);
        JointKinematics::ForwardKinematics(model.GetJointPosition(Finger::Thumb), interp.thumbStartRotation, bones,
                                           angles[0], positions[0], rotations[0]);
        for (std::size_t f = 1; f < static_cast<std::size_t>(fingerCount); ++f)
        {
            // The little finger's joints follow the ring finger's angles, while its reported
            // angles are those of its own interpolation above.
            const std::vector<Vect3D>& chain = angles[f < ringSensor ? f : ringSensor];
            const Finger finger = static_cast<Finger>(f);
            Kinematics::detail::DigitBones(model, finger, bones);
            JointKinematics::ForwardKinematics(model.GetJointPosition(finger), model.GetJointRotation(finger), bones,
                                               chain, positions[f], rotations[f]);
        }
        return HandPose(profile.isRight, std::move(positions), std::move(rotations), std::move(angles));
    }

    std::vector<Vect3D> Kelvo::GetCalibrationValues(const Kelvo_SensorData& data)
    {
        std::vector<Vect3D> values;
        values.reserve(fingerCount);
        for (std::size_t f = 0; f <= ringSensor; ++f)
            values.push_back(EntryOrZero(data.sensorAngles, f));
        values.push_back(values[ringSensor]);
        return values;
    }

    void Kelvo::ApplyCalibrationRange(Kelvo_Profile& profile, const std::vector<Vect3D>& minValues,
                                      const std::vector<Vect3D>& maxValues, bool right)
    {
        constexpr float d = Values::Deg2Rad;
        const std::size_t fingers =
            std::min({minValues.size(), maxValues.size(), static_cast<std::size_t>(fingerCount)});
        for (std::size_t i = 0; i < fingers; ++i)
        {
            const Vect3D lo = minValues[i];
            const Vect3D hi = maxValues[i];
            if (i == 0)
            {
                Calibrate(SetOf(profile, i, static_cast<int>(ThumbMovement::CMCFlexion)), lo.y, hi.y, -55.0f * d);
                Calibrate(SetOf(profile, i, static_cast<int>(ThumbMovement::MCPFlexion)), lo.y, hi.y, -10.0f * d);
                Calibrate(SetOf(profile, i, static_cast<int>(ThumbMovement::IPFlexion)), lo.y, hi.y, -10.0f * d);
                if (InterpolationSet* abd = SetOf(profile, i, static_cast<int>(ThumbMovement::CMCAbduction)))
                {
                    Calibrate(abd, lo.z, hi.z, 0.0f);
                    abd->outEnd = (right ? 60.0f : -60.0f) * d;
                }
            }
            else
            {
                Calibrate(SetOf(profile, i, static_cast<int>(FingerMovement::MCPFlexion)), lo.y, hi.y, -15.0f * d);
                Calibrate(SetOf(profile, i, static_cast<int>(FingerMovement::PIPFlexion)), lo.y, hi.y, -10.0f * d);
                Calibrate(SetOf(profile, i, static_cast<int>(FingerMovement::DIPFlexion)), lo.y, hi.y, -10.0f * d);
            }
        }
    }

    // ---- The device ----

    const Vect3D Kelvo::minCalRange{0.0f, 200.0f, 200.0f};

    Kelvo::Kelvo() = default;
    Kelvo::Kelvo(Kelvo_GloveInfo info) : gloveInfo(std::move(info)) {}

    DeviceType Kelvo::GetDeviceType() { return DeviceType::Kelvo; }
    std::string Kelvo::GetDeviceID() { return gloveInfo.deviceID; }
    std::string Kelvo::GetHardwareVersion() { return gloveInfo.hardwareVersion; }
    int Kelvo::GetFirmwareVersion() { return gloveInfo.firmwareVersion; }
    int Kelvo::GetSubFirmwareVersion() { return gloveInfo.subFirmwareVersion; }
    std::string Kelvo::ToString() { return "Kelvo " + GetDeviceID(); }
    bool Kelvo::IsRight() { return gloveInfo.isRight; }

    std::shared_ptr<TSDevice> Kelvo::Parse(std::string constantsString)
    {
        if (constantsString.empty())
            return nullptr;
        Kelvo_GloveInfo info;
        if (!Kelvo_GloveInfo::Parse(constantsString, info))
            return nullptr;
        return std::make_shared<Kelvo>(std::move(info));
    }

    std::vector<std::shared_ptr<Kelvo>> Kelvo::CachedGloves()
    {
        const int n = DeviceList::ActiveDevices();
        std::vector<std::shared_ptr<Kelvo>> gloves;
        for (int i = 0; i < n && i < static_cast<int>(DeviceList::devices.size()); ++i)
        {
            const std::shared_ptr<TSDevice>& device = DeviceList::devices[static_cast<std::size_t>(i)];
            if (const TSDevice* raw = device.get(); raw != nullptr && typeid(*raw) == typeid(Kelvo))
                gloves.push_back(std::static_pointer_cast<Kelvo>(device));
        }
        return gloves;
    }

    bool Kelvo::GetKelvo(Kelvo& out)
    {
        for (const auto& glove : CachedGloves())
        {
            if (glove->IsConnected())
            {
                out = *glove;
                return true;
            }
        }
        return false;
    }

    std::vector<Kelvo> Kelvo::GetKelvos()
    {
        std::vector<Kelvo> copies;
        for (const auto& glove : CachedGloves())
            copies.push_back(*glove);
        return copies;
    }

    bool Kelvo::GetKelvo(bool right, Kelvo& out)
    {
        for (auto& glove : GetKelvos())
        {
            if (glove.IsRight() == right)
            {
                out = std::move(glove);
                return true;
            }
        }
        return false;
    }

    bool Kelvo::GetSensorData(Kelvo_SensorData& out)
    {
        std::string text;
        if (!DeviceList::GetSensorDataString(deviceKey, text))
        {
            out = Kelvo_SensorData::Empty();
            return false;
        }
        out = Kelvo_SensorData::Parse(text, gloveInfo);
        if (out.parsedValues != gloveInfo.numSensors)
            return false;
        UpdateCalibrationRange(GetCalibrationValues(out));
        return true;
    }

    bool Kelvo::GetIMURotation(Quat& q)
    {
        Kelvo_SensorData data;
        if (GetSensorData(data))
        {
            q = data.imuRotation;
            return data.imuParsed;
        }
        q = Quat::identity;
        return false;
    }

    bool Kelvo::GetCalibrationValues(std::vector<Vect3D>& values)
    {
        Kelvo_SensorData data;
        if (GetSensorData(data) && data.parsedValues == gloveInfo.numSensors)
        {
            values = GetCalibrationValues(data);
            return true;
        }
        return HapticGlove::GetCalibrationValues(values);
    }

    bool Kelvo::GetHandPose(BasicHandModel& handModel, Kelvo_Profile& profile, HandPose& out)
    {
        Kelvo_SensorData data;
        if (GetSensorData(data))
        {
            out = CalculateHandPose(handModel, data, profile);
            return true;
        }
        out = HandPose::DefaultIdle(profile.isRight);
        return false;
    }

    bool Kelvo::GetHandPose(BasicHandModel& handModel, HandProfile& profile, HandPose& out)
    {
        return GetHandPose(handModel, profile.kelvoProfile, out);
    }

    bool Kelvo::GetHandPose(HandProfile& profile, HandPose& out)
    {
        // The default models never change: built once, not on every frame.
        static const BasicHandModel rightModel = BasicHandModel::Default(true);
        static const BasicHandModel leftModel = BasicHandModel::Default(false);
        Kelvo_SensorData data;
        if (GetSensorData(data))
        {
            out = CalculateHandPose(IsRight() ? rightModel : leftModel, data, profile.kelvoProfile);
            return true;
        }
        out = HandPose::DefaultIdle(profile.kelvoProfile.isRight);
        return false;
    }

    void Kelvo::ApplyCalibration(Kelvo_Profile& profile)
    {
        ApplyCalibrationRange(profile, calibrationMin, calibrationMax, IsRight());
    }

    void Kelvo::ApplyCalibration(HandProfile& profile) { ApplyCalibration(profile.kelvoProfile); }

    namespace
    {
        // Levels travel as level + 1 in one byte each; the fragment is NUL-terminated text,
        // so a byte of 0 (a level of -1 or 255) ends it early.
        std::string LevelBytes(const std::vector<int>& levels, std::size_t count)
        {
            std::string bytes;
            for (std::size_t i = 0; i < count && i < levels.size(); ++i)
            {
                const auto byte = static_cast<unsigned char>(static_cast<unsigned>(levels[i]) + 1u);
                if (byte == 0)
                    break;
                bytes.push_back(static_cast<char>(byte));
            }
            return bytes;
        }
    }

    std::string Kelvo::ToBytes(TS_FFBCmd cmd) { return LevelBytes(cmd.GetLevels(), 4); }
    std::string Kelvo::ToBytes(TS_BuzzCmd cmd) { return LevelBytes(cmd.GetLevels(), 2); }
    std::string Kelvo::ToBytes(ThumperCmd cmd) { return LevelBytes({cmd.magnitude}, 1); }

    void Kelvo::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, ThumperCmd thumper)
    {
        std::string command;
        command.reserve(12);
        command.push_back('{');
        command.push_back(hapticsByte);
        command += ToBytes(ffb);
        command += ToBytes(thumper);
        command += ToBytes(buzz);
        command.push_back('}');
        if (!DeviceList::SendHaptics(deviceKey, command))
            return;
        lastBuzz = buzz.Copy();
        lastFFB = ffb.Copy();
        lastThumper = thumper.Copy();
        if (Debugger::Enabled(DebugLevel::Verbose))
            Debugger::Log("Sent " + lastFFB.ToString() + ", " + lastBuzz.ToString(), DebugLevel::Verbose);
    }

    void Kelvo::SendHaptics(ThumperCmd thumper) { HapticGlove::SendHaptics(thumper); }
    void Kelvo::SendHaptics(TS_BuzzCmd buzz) { HapticGlove::SendHaptics(buzz); }
    void Kelvo::SendHaptics(TS_FFBCmd ffb) { HapticGlove::SendHaptics(ffb); }
}
