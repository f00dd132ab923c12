#include "TSCore/TS/Tessara.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Values.h"
#include "Kinematics/DigitChain.h"
#include "TSCore/Kinematics/HandInterpolator.h"
#include "TSCore/Kinematics/JointKinematics.h"

namespace TSCore::TS
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Haptics::ThumperCmd;
    using Haptics::TS_BuzzCmd;
    using Haptics::TS_FFBCmd;
    using Haptics::TS_FingerCmd;
    using Haptics::TS_ThumperCmd;
    using Kinematics::BasicHandModel;
    using Kinematics::FingerMovement;
    using Kinematics::InterpolationSet;
    using Kinematics::ThumbMovement;
    using Kinematics::Values;
    using Kinematics::HandInterpolator;
    using Kinematics::JointKinematics;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    TS_GlovePose Tessara::CalculateGlovePose(const TS_SensorData& data, const TS_GloveInfo& gloveInfo)
    {
        if (data.parsedValues == gloveInfo.numSensors)
            return CalculateGlovePose(gloveInfo.ToGloveAngles(data.sensorAngles), gloveInfo);
        return TS_GlovePose::IdlePose(gloveInfo);
    }

    TS_GlovePose Tessara::CalculateGlovePose(std::vector<std::vector<Vect3D>> gloveAngles, const TS_GloveInfo& gloveInfo)
    {
        // Always five linkages: a finger without angles rests with every joint at 0, and
        // lists past the fifth are dropped.
        const std::size_t fingers = static_cast<std::size_t>(fingerCount);
        static const std::vector<Vect3D> noSections;
        const auto sectionsOf = [&gloveInfo](std::size_t f) -> const std::vector<Vect3D>& {
            return f < gloveInfo.gloveLengths.size() ? gloveInfo.gloveLengths[f] : noSections;
        };
        for (std::size_t f = gloveAngles.size(); f < fingers; ++f)
            gloveAngles.emplace_back(sectionsOf(f).size());
        gloveAngles.resize(fingers);

        std::vector<std::vector<Vect3D>> positions(fingers);
        std::vector<std::vector<Quat>> rotations(fingers);
        for (std::size_t f = 0; f < fingers; ++f)
        {
            const Finger finger = static_cast<Finger>(f);
            JointKinematics::ForwardKinematics(gloveInfo.GetStartPosition(finger), gloveInfo.GetStartRotation(finger),
                                               sectionsOf(f), gloveAngles[f], positions[f], rotations[f]);
        }
        return TS_GlovePose(gloveInfo.isRight, std::move(positions), std::move(rotations), std::move(gloveAngles));
    }

    HandPose Tessara::CalculateHandPose(const TS_GlovePose& glovePose, const BasicHandModel& handModel,
                                        const TS_HandProfile& profile)
    {
        if (profile.solver != TS_Solver::Interpolation)
            return HandPose::DefaultIdle(profile.isRight);

        std::vector<std::vector<Vect3D>> handAngles =
            HandInterpolator::InterpolateHandAngles(profile.interpolator, glovePose.TotalGloveAngles());

        const std::size_t fingers = static_cast<std::size_t>(fingerCount);
        std::vector<std::vector<Vect3D>> positions(fingers);
        std::vector<std::vector<Quat>> rotations(fingers);
        std::vector<Vect3D> bones;
        // The thumb starts from the profile's rotation, not the hand model's.
        Kinematics::detail::DigitBones(handModel, Finger::Thumb, bones);
        JointKinematics::ForwardKinematics(handModel.GetJointPosition(Finger::Thumb),
                                           profile.interpolator.thumbStartRotation, bones, handAngles[0], positions[0],
                                           rotations[0]);
        for (std::size_t f = 1; f < fingers; ++f)
        {
            const Finger finger = static_cast<Finger>(f);
            Kinematics::detail::DigitBones(handModel, finger, bones);
            JointKinematics::ForwardKinematics(handModel.GetJointPosition(finger), handModel.GetJointRotation(finger),
                                               bones, handAngles[f], positions[f], rotations[f]);
        }
        return HandPose(profile.isRight, std::move(positions), std::move(rotations), std::move(handAngles));
    }

    std::vector<Vect3D> Tessara::GetCalibrationValues(TS_GlovePose pose) { return pose.TotalGloveAngles(); }

    // ---- The device ----

    Tessara::Tessara() : gloveModel()
    {
        Debugger::Log("Tessara Constructor", DebugLevel::Verbose);
    }

    Tessara::Tessara(TS_GloveInfo gloveModel) : gloveModel(std::move(gloveModel))
    {
        Debugger::Log("Tessara Constructor with Glove Model", DebugLevel::Verbose);
    }

    DeviceType Tessara::GetDeviceType() { return DeviceType::Tessara; }
    std::string Tessara::GetDeviceID() { return gloveModel.deviceID; }
    std::string Tessara::GetHardwareVersion() { return gloveModel.hardwareVersion; }
    int Tessara::GetFirmwareVersion() { return gloveModel.firmwareVersion; }
    int Tessara::GetSubFirmwareVersion() { return gloveModel.subFirmwareVersion; }
    std::string Tessara::ToString() { return "Tessara " + GetDeviceID(); }
    bool Tessara::IsRight() { return gloveModel.isRight; }

    std::shared_ptr<TSDevice> Tessara::Parse(std::string constants)
    {
        if (constants.empty())
            return nullptr;
        TS_GloveInfo info;
        if (!TS_GloveInfo::Parse(constants, info, true))
            return nullptr;
        return std::make_shared<Tessara>(std::move(info));
    }

    std::vector<std::shared_ptr<Tessara>> Tessara::CachedGloves()
    {
        const int n = DeviceList::ActiveDevices();
        std::vector<std::shared_ptr<Tessara>> gloves;
        for (int i = 0; i < n && i < static_cast<int>(DeviceList::devices.size()); ++i)
        {
            const std::shared_ptr<TSDevice>& device = DeviceList::devices[static_cast<std::size_t>(i)];
            if (const TSDevice* raw = device.get(); raw != nullptr && typeid(*raw) == typeid(Tessara))
                gloves.push_back(std::static_pointer_cast<Tessara>(device));
        }
        return gloves;
    }

    bool Tessara::GetTessara(Tessara& out)
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

    std::vector<Tessara> Tessara::GetTessaras(bool onlyConnected)
    {
        std::vector<Tessara> copies;
        for (const auto& glove : CachedGloves())
            if (!onlyConnected || glove->IsConnected())
                copies.push_back(*glove);
        return copies;
    }

    bool Tessara::GetTessara(bool right, Tessara& out)
    {
        for (auto& glove : GetTessaras(true))
        {
            if (glove.IsRight() == right)
            {
                out = std::move(glove);
                return true;
            }
        }
        return false;
    }

    bool Tessara::GetSensorData(TS_SensorData& out)
    {
        std::string text;
        if (!DeviceList::GetSensorDataString(deviceKey, text))
            return false;
        out = TS_SensorData::Parse(text, gloveModel);
        return out.parsedValues == gloveModel.numSensors;
    }

    bool Tessara::GetIMURotation(Quat& q)
    {
        TS_SensorData data;
        if (GetSensorData(data))
        {
            q = data.imuRotation;
            return data.imuParsed;
        }
        q = Quat::identity;
        return false;
    }

    bool Tessara::GetGlovePose(TS_SensorData data, TS_GlovePose& out)
    {
        if (data.parsedValues != gloveModel.numSensors)
            return false;
        out = CalculateGlovePose(gloveModel.ToGloveAngles(data.sensorAngles), gloveModel);
        UpdateCalibrationRange(out.TotalGloveAngles());
        return true;
    }

    bool Tessara::GetGlovePose(TS_GlovePose& out)
    {
        TS_SensorData data;
        return GetSensorData(data) && GetGlovePose(data, out);
    }

    bool Tessara::ReadHandPose(const BasicHandModel& handModel, const TS_HandProfile& profile, bool side,
                               HandPose& out)
    {
        TS_SensorData data;
        TS_GlovePose pose;
        if (GetSensorData(data) && GetGlovePose(std::move(data), pose))
        {
            out = CalculateHandPose(pose, handModel, profile);
            return true;
        }
        out = HandPose::DefaultIdle(side);
        return false;
    }

    bool Tessara::GetHandPose(BasicHandModel& handModel, TS_HandProfile& profile, HandPose& out)
    {
        return ReadHandPose(handModel, profile, profile.isRight, out);
    }

    bool Tessara::GetHandPose(BasicHandModel& handModel, HandProfile& profile, HandPose& out)
    {
        return ReadHandPose(handModel, profile.tsProfile, profile.isRight, out);
    }

    bool Tessara::GetHandPose(HandProfile& profile, HandPose& out)
    {
        // The default models never change: built once, not on every frame.
        static const BasicHandModel rightModel = BasicHandModel::Default(true);
        static const BasicHandModel leftModel = BasicHandModel::Default(false);
        return ReadHandPose(IsRight() ? rightModel : leftModel, profile.tsProfile, profile.isRight, out);
    }

    bool Tessara::GetCalibrationValues(std::vector<Vect3D>& values)
    {
        TS_SensorData data;
        TS_GlovePose pose;
        if (GetSensorData(data) && GetGlovePose(data, pose))
        {
            values = pose.TotalGloveAngles();
            return true;
        }
        return HapticGlove::GetCalibrationValues(values);
    }

    void Tessara::ResetCalibrationRange()
    {
        constexpr float d = Values::Deg2Rad;
        const bool right = IsRight();
        calibrationMin.clear();
        calibrationMax.clear();
        calibrationMin.emplace_back(0.0f, 10.0f * d, (right ? -90.0f : 60.0f) * d);
        calibrationMax.emplace_back(0.0f, 70.0f * d, (right ? -60.0f : 90.0f) * d);
        for (int f = 1; f < fingerCount; ++f)
        {
            calibrationMin.emplace_back(10000.0f, 10.0f * d, 10000.0f);
            calibrationMax.emplace_back(-10000.0f, 70.0f * d, -10000.0f);
        }
    }

    void Tessara::ApplyCalibration(TS_HandProfile& profile)
    {
        constexpr float d = Values::Deg2Rad;
        const bool right = IsRight();
        auto& digits = profile.interpolator.interpolationSets;
        // A profile may hold fewer digit lists or sets than the default layout: only the sets
        // present are written.
        auto set = [&](std::size_t digit, int index) -> InterpolationSet* {
            if (digit >= digits.size() || index < 0 || static_cast<std::size_t>(index) >= digits[digit].size())
                return nullptr;
            return &digits[digit][static_cast<std::size_t>(index)];
        };
        auto range = [](InterpolationSet* s, float in0, float in1, float out0) {
            if (s == nullptr)
                return;
            s->inStart = in0;
            s->inEnd = in1;
            s->outStart = out0;
        };

        if (!digits.empty())
        {
            if (InterpolationSet* s = set(0, static_cast<int>(ThumbMovement::CMCAbduction)))
            {
                s->outStart = 0.0f;
                s->outEnd = (right ? 60.0f : -60.0f) * d;
            }
        }
        const std::size_t n = std::min(calibrationMin.size(), calibrationMax.size());
        for (std::size_t i = 0; i < n; ++i)
        {
            const Vect3D lo = calibrationMin[i];
            const Vect3D hi = calibrationMax[i];
            if (i == 0)
            {
                range(set(0, static_cast<int>(ThumbMovement::CMCFlexion)), lo.y, hi.y, -55.0f * d);
                range(set(0, static_cast<int>(ThumbMovement::MCPFlexion)), lo.y, hi.y, -10.0f * d);
                range(set(0, static_cast<int>(ThumbMovement::IPFlexion)), lo.y, hi.y, -10.0f * d);
                if (InterpolationSet* s = set(0, static_cast<int>(ThumbMovement::CMCAbduction)))
                {
                    s->inStart = right ? lo.z : hi.z;
                    s->inEnd = right ? hi.z : lo.z;
                }
            }
            else
            {
                range(set(i, static_cast<int>(FingerMovement::MCPFlexion)), lo.y, hi.y, -15.0f * d);
                range(set(i, static_cast<int>(FingerMovement::PIPFlexion)), lo.y, hi.y, -10.0f * d);
                range(set(i, static_cast<int>(FingerMovement::DIPFlexion)), lo.y, hi.y, -10.0f * d);
            }
        }
    }

    void Tessara::ApplyCalibration(HandProfile& profile) { ApplyCalibration(profile.tsProfile); }

    std::string Tessara::ToBytes(TS_FingerCmd cmd)
    {
        std::string bytes;
        const std::vector<int> levels = cmd.GetLevels();
        for (std::size_t i = 0; i < levels.size() && i < static_cast<std::size_t>(fingerCount); ++i)
        {
            // level + 1 as an 8-bit value, wrapping like the unsigned byte it becomes.
            const auto byte = static_cast<unsigned char>(static_cast<unsigned>(levels[i]) + 1u);
            if (byte == 0)
                break; // taken as NUL-terminated text
            bytes.push_back(static_cast<char>(byte));
        }
        return bytes;
    }

    std::string Tessara::ToBytes(ThumperCmd cmd)
    {
        const auto byte = static_cast<unsigned char>(static_cast<unsigned>(cmd.magnitude) + 1u);
        const int value = byte < 128 ? static_cast<int>(byte) : static_cast<int>(byte) - 256;
        return std::to_string(value);
    }

    bool Tessara::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, TS_ThumperCmd thumper)
    {
        std::string command;
        command.reserve(16);
        command.push_back('{');
        command.push_back(hapticsByte);
        command += ToBytes(ffb);
        command += ToBytes(buzz);
        // Two separate tests, as the firmware check has always been: 5.0 takes no thumper byte.
        if (gloveModel.firmwareVersion >= 4 && gloveModel.subFirmwareVersion >= 7)
            command.push_back(static_cast<char>(static_cast<unsigned char>(static_cast<int>(thumper))));
        command.push_back('}');

        if (DeviceList::SendHaptics(deviceKey, command))
        {
            lastBuzz = buzz.Copy();
            lastFFB = ffb.Copy();
            return true;
        }
        if (Debugger::Enabled(DebugLevel::Verbose))
            Debugger::Log("Error Sending " + command + " to " + deviceKey, DebugLevel::Verbose);
        return false;
    }

    bool Tessara::SendHaptics(TS_ThumperCmd thumper) { return SendHaptics(lastFFB, lastBuzz, thumper); }

    void Tessara::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, ThumperCmd)
    {
        SendHaptics(ffb, buzz, TS_ThumperCmd::None);
    }

    void Tessara::SendHaptics(TS_BuzzCmd buzz) { HapticGlove::SendHaptics(buzz); }
    void Tessara::SendHaptics(TS_FFBCmd ffb) { HapticGlove::SendHaptics(ffb); }
}
