#include "TSCore/TS/Tessara.h"

#include <utility>

#include "Devices/DeviceLink.h"
#include "Devices/GloveCore.h"
#include "Devices/GloveFamilies.h"
#include "Diagnostics/Log.h"
#include "TS/ExoskeletonPose.h"
#include "TSCore/Devices/DeviceList.h"
#include "TSCore/Kinematics/Values.h"

namespace TSCore::TS
{
    using Haptics::ThumperCmd;
    using Haptics::TS_BuzzCmd;
    using Haptics::TS_FFBCmd;
    using Haptics::TS_FingerCmd;
    using Haptics::TS_ThumperCmd;
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;

    // ---- The kinematics: the pose path of TS/ExoskeletonPose.h behind the documented calls ----

    TS_GlovePose Tessara::CalculateGlovePose(const TS_SensorData& data, const TS_GloveInfo& gloveInfo)
    {
        TS_GlovePose pose;
        if (data.parsedValues != gloveInfo.numSensors)
        {
            detail::IdleLinkage(gloveInfo, pose);
            return pose;
        }
        detail::LinkageAngles(data.sensorAngles, pose.gloveAngles);
        detail::LinkageKinematics(gloveInfo, pose);
        return pose;
    }

    TS_GlovePose Tessara::CalculateGlovePose(std::vector<std::vector<Vect3D>> gloveAngles,
                                             const TS_GloveInfo& gloveInfo)
    {
        TS_GlovePose pose;
        pose.gloveAngles = std::move(gloveAngles);
        detail::LinkageKinematics(gloveInfo, pose);
        return pose;
    }

    HandPose Tessara::CalculateHandPose(const TS_GlovePose& glovePose, const BasicHandModel& handModel,
                                        const TS_HandProfile& profile)
    {
        std::vector<Vect3D> totals;
        detail::SummedAngles(glovePose, totals);
        HandPose out;
        detail::SolveHand(totals, handModel, profile, out);
        return out;
    }

    std::vector<Vect3D> Tessara::GetCalibrationValues(TS_GlovePose pose) { return pose.TotalGloveAngles(); }

    // ---- The device ----

    namespace
    {
        // One frame: the sensor text through the link, then the pose path. The idle hand of
        // idleSide, and false, when no complete reading is there.
        bool HandPoseFrame(Tessara& glove, const BasicHandModel& model, const TS_HandProfile& profile, bool idleSide,
                           HandPose& out)
        {
            // Kept per thread from frame to frame: a steady stream of frames allocates nothing.
            thread_local std::string text;
            thread_local detail::ExoskeletonFrame frame;
            if (!DeviceList::GetSensorDataString(glove.GetDeviceKey(), text) ||
                !TSCore::detail::TessaraHandFromText(glove, text, model, profile, frame, out))
            {
                out = HandPose::DefaultIdle(idleSide);
                return false;
            }
            return true;
        }
    }

    Tessara::Tessara() : gloveModel() { TSCORE_LOG(Verbose, "Tessara Constructor"); }

    Tessara::Tessara(TS_GloveInfo gloveModel) : gloveModel(std::move(gloveModel))
    {
        TSCORE_LOG(Verbose, "Tessara Constructor with Glove Model");
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

    bool Tessara::GetTessara(Tessara& out)
    {
        for (const auto& glove : TSCore::detail::DeviceLink::CachedGlovesOf<Tessara>())
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
        for (const auto& glove : TSCore::detail::DeviceLink::CachedGlovesOf<Tessara>())
            if (!onlyConnected || glove->IsConnected())
                copies.push_back(*glove);
        return copies;
    }

    bool Tessara::GetTessara(bool right, Tessara& out)
    {
        // Among the connected gloves only (the second model also takes disconnected ones).
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
        thread_local std::string text;
        if (!DeviceList::GetSensorDataString(deviceKey, text))
            return false; // out unchanged
        detail::ReadSensors(text, gloveModel, out);
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
        detail::LinkageAngles(data.sensorAngles, out.gloveAngles);
        detail::LinkageKinematics(gloveModel, out);
        const std::vector<Vect3D> totals = out.TotalGloveAngles();
        TSCore::detail::WidenCalibrationRange(*this, totals.data(), totals.size());
        return true;
    }

    bool Tessara::GetGlovePose(TS_GlovePose& out)
    {
        TS_SensorData data;
        return GetSensorData(data) && GetGlovePose(std::move(data), out);
    }

    // The idle hand of a failed frame takes the side of the profile it was asked with: here the
    // exoskeleton part's own, through a HandProfile the HandProfile's (the second model takes
    // its part's in both cases). Both as the glove families document them.
    bool Tessara::GetHandPose(BasicHandModel& handModel, TS_HandProfile& profile, HandPose& out)
    {
        return HandPoseFrame(*this, handModel, profile, profile.isRight, out);
    }

    bool Tessara::GetHandPose(BasicHandModel& handModel, HandProfile& profile, HandPose& out)
    {
        return HandPoseFrame(*this, handModel, profile.tsProfile, profile.isRight, out);
    }

    bool Tessara::GetHandPose(HandProfile& profile, HandPose& out)
    {
        return HandPoseFrame(*this, TSCore::detail::DefaultHandModel(IsRight()), profile.tsProfile, profile.isRight,
                             out);
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
        // The exoskeleton's own starting range (the second model starts from the sentinels):
        // flexion 10 to 70 degrees on every digit, the thumb's spread by side.
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
        TSCore::detail::ApplyCalibrationRange(profile.interpolator, calibrationMin, calibrationMax, IsRight(),
                                              TSCore::detail::GloveFamily::Tessara);
    }

    void Tessara::ApplyCalibration(HandProfile& profile) { ApplyCalibration(profile.tsProfile); }

    std::string Tessara::ToBytes(TS_FingerCmd cmd)
    {
        return TSCore::detail::LevelBytes(cmd.GetLevels(), static_cast<std::size_t>(fingerCount));
    }

    std::string Tessara::ToBytes(ThumperCmd cmd)
    {
        const auto byte = static_cast<unsigned char>(static_cast<unsigned>(cmd.magnitude) + 1u);
        const int value = byte < 128 ? static_cast<int>(byte) : static_cast<int>(byte) - 256;
        return std::to_string(value);
    }

    bool Tessara::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, TS_ThumperCmd thumper)
    {
        std::string command = "{";
        command += hapticsByte;
        command += ToBytes(ffb);
        command += ToBytes(buzz);
        // Two separate tests, as the firmware check has always been: 5.0 takes no thumper byte.
        if (gloveModel.firmwareVersion >= 4 && gloveModel.subFirmwareVersion >= 7)
            command.push_back(static_cast<char>(static_cast<unsigned char>(static_cast<int>(thumper))));
        command.push_back('}');

        // This glove logs a failed send and keeps its last thumper command; the second model logs
        // a successful send and records its thumper too: each as documented for its family.
        if (DeviceList::SendHaptics(deviceKey, command))
        {
            lastBuzz = buzz.Copy();
            lastFFB = ffb.Copy();
            return true;
        }
        TSCORE_LOG(Verbose, "Error Sending " + command + " to " + deviceKey);
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
