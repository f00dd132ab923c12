#include "TSCore/Kelvo/Kelvo.h"

#include <utility>

#include "Devices/DeviceLink.h"
#include "Devices/GloveCore.h"
#include "Devices/GloveFamilies.h"
#include "Diagnostics/Log.h"
#include "Kelvo/KelvoPose.h"
#include "TSCore/Devices/DeviceList.h"

namespace TSCore::Kelvo
{
    using Haptics::ThumperCmd;
    using Haptics::TS_BuzzCmd;
    using Haptics::TS_FFBCmd;
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    HandPose Kelvo::CalculateHandPose(const BasicHandModel& model, const Kelvo_SensorData& data,
                                      const Kelvo_Profile& profile)
    {
        HandPose out;
        detail::SolveHand(model, data, profile, out);
        return out;
    }

    std::vector<Vect3D> Kelvo::GetCalibrationValues(const Kelvo_SensorData& data)
    {
        Vect3D values[fingerCount];
        detail::CalibrationValues(data, values);
        return std::vector<Vect3D>(std::begin(values), std::end(values));
    }

    void Kelvo::ApplyCalibrationRange(Kelvo_Profile& profile, const std::vector<Vect3D>& minValues,
                                      const std::vector<Vect3D>& maxValues, bool right)
    {
        TSCore::detail::ApplyCalibrationRange(profile.interpolator, minValues, maxValues, right,
                                              TSCore::detail::GloveFamily::Kelvo);
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

    bool Kelvo::GetKelvo(Kelvo& out)
    {
        for (const auto& glove : TSCore::detail::DeviceLink::CachedGlovesOf<Kelvo>())
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
        for (const auto& glove : TSCore::detail::DeviceLink::CachedGlovesOf<Kelvo>())
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
        thread_local std::string text;
        if (!DeviceList::GetSensorDataString(deviceKey, text))
        {
            out = Kelvo_SensorData::Empty();
            return false;
        }
        return TSCore::detail::KelvoReadingFromText(*this, text, out);
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

    namespace
    {
        // One frame: a complete reading through the link, then the hand. The idle hand of the
        // profile's side, and false, when no complete reading is there.
        bool HandPoseFrame(Kelvo& glove, const BasicHandModel& model, const Kelvo_Profile& profile, HandPose& out)
        {
            // Kept per thread from frame to frame: a steady stream of frames allocates nothing.
            thread_local Kelvo_SensorData data;
            if (!glove.GetSensorData(data))
            {
                out = HandPose::DefaultIdle(profile.isRight);
                return false;
            }
            detail::SolveHand(model, data, profile, out);
            return true;
        }
    }

    bool Kelvo::GetHandPose(BasicHandModel& handModel, Kelvo_Profile& profile, HandPose& out)
    {
        return HandPoseFrame(*this, handModel, profile, out);
    }

    bool Kelvo::GetHandPose(BasicHandModel& handModel, HandProfile& profile, HandPose& out)
    {
        return GetHandPose(handModel, profile.kelvoProfile, out);
    }

    bool Kelvo::GetHandPose(HandProfile& profile, HandPose& out)
    {
        return HandPoseFrame(*this, TSCore::detail::DefaultHandModel(IsRight()), profile.kelvoProfile, out);
    }

    void Kelvo::ApplyCalibration(Kelvo_Profile& profile)
    {
        ApplyCalibrationRange(profile, calibrationMin, calibrationMax, IsRight());
    }

    void Kelvo::ApplyCalibration(HandProfile& profile) { ApplyCalibration(profile.kelvoProfile); }

    std::string Kelvo::ToBytes(TS_FFBCmd cmd) { return TSCore::detail::LevelBytes(cmd.GetLevels(), 4); }
    std::string Kelvo::ToBytes(TS_BuzzCmd cmd) { return TSCore::detail::LevelBytes(cmd.GetLevels(), 2); }
    std::string Kelvo::ToBytes(ThumperCmd cmd) { return TSCore::detail::LevelBytes({cmd.magnitude}, 1); }

    void Kelvo::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz, ThumperCmd thumper)
    {
        std::string command = "{";
        command += hapticsByte;
        command += ToBytes(ffb);
        command += ToBytes(thumper);
        command += ToBytes(buzz);
        command.push_back('}');
        // This glove logs a successful send and records the thumper too; a failed one changes
        // nothing and is not told (the exoskeleton logs its failures): each as documented.
        if (!DeviceList::SendHaptics(deviceKey, command))
            return;
        lastBuzz = buzz.Copy();
        lastFFB = ffb.Copy();
        lastThumper = thumper.Copy();
        TSCORE_LOG(Verbose, "Sent " + lastFFB.ToString() + ", " + lastBuzz.ToString());
    }

    void Kelvo::SendHaptics(ThumperCmd thumper) { HapticGlove::SendHaptics(thumper); }
    void Kelvo::SendHaptics(TS_BuzzCmd buzz) { HapticGlove::SendHaptics(buzz); }
    void Kelvo::SendHaptics(TS_FFBCmd ffb) { HapticGlove::SendHaptics(ffb); }
}
