#include "TSCore/Devices/HapticGlove.h"

#include <utility>

#include "Devices/GloveCore.h"
#include "TSCore/Devices/DeviceList.h"

namespace TSCore
{
    using Haptics::ThumperCmd;
    using Haptics::TS_BuzzCmd;
    using Haptics::TS_FFBCmd;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    namespace
    {
        constexpr float rangeSentinel = 10000.0f;
    }

    HapticGlove::HapticGlove() : lastFFB(TS_FFBCmd::off), lastBuzz(TS_BuzzCmd::off), lastThumper(ThumperCmd::off) {}

    std::vector<std::shared_ptr<HapticGlove>> HapticGlove::GetHapticGloves()
    {
        std::vector<std::shared_ptr<HapticGlove>> gloves;
        for (const auto& device : DeviceList::GetDevices())
        {
            const DeviceType type = device->GetDeviceType();
            if (type != DeviceType::Tessara && type != DeviceType::Kelvo)
                continue;
            // A device that claims a glove type but is no glove is left out, not handed on empty.
            if (auto glove = std::dynamic_pointer_cast<HapticGlove>(device))
                gloves.push_back(std::move(glove));
        }
        return gloves;
    }

    bool HapticGlove::GetGlove(std::shared_ptr<HapticGlove>& out)
    {
        for (auto& glove : GetHapticGloves())
        {
            if (glove->IsConnected())
            {
                out = std::move(glove);
                return true;
            }
        }
        out.reset();
        return false;
    }

    bool HapticGlove::GetGlove(bool right, std::shared_ptr<HapticGlove>& out)
    {
        for (auto& glove : GetHapticGloves())
        {
            if (glove->IsConnected() && glove->IsRight() == right)
            {
                out = std::move(glove);
                return true;
            }
        }
        out.reset();
        return false;
    }

    DeviceType HapticGlove::GetDeviceType() { return DeviceType::Unknown; }
    std::string HapticGlove::GetDeviceID() { return "N\\A"; }
    std::string HapticGlove::GetHardwareVersion() { return "N\\A"; }
    int HapticGlove::GetFirmwareVersion() { return -1; }

    bool HapticGlove::GetIMURotation(Quat& q)
    {
        q = Quat::identity;
        return false;
    }

    bool HapticGlove::GetHandPose(HandProfile& profile, HandPose& out)
    {
        out = HandPose::DefaultIdle(profile.isRight);
        return false;
    }

    bool HapticGlove::GetHandPose(Kinematics::BasicHandModel&, HandProfile& profile, HandPose& out)
    {
        out = HandPose::DefaultIdle(profile.isRight);
        return false;
    }

    void HapticGlove::StopHaptics() { SendHaptics(TS_FFBCmd::off, TS_BuzzCmd::off, ThumperCmd::off); }

    void HapticGlove::SendHaptics(TS_FFBCmd, TS_BuzzCmd, ThumperCmd) {}
    void HapticGlove::SendHaptics(TS_FFBCmd ffb, TS_BuzzCmd buzz) { SendHaptics(ffb, buzz, lastThumper); }
    void HapticGlove::SendHaptics(ThumperCmd thumper) { SendHaptics(lastFFB, lastBuzz, thumper); }
    void HapticGlove::SendHaptics(TS_BuzzCmd buzz) { SendHaptics(lastFFB, buzz, lastThumper); }
    void HapticGlove::SendHaptics(TS_FFBCmd ffb) { SendHaptics(ffb, lastBuzz, lastThumper); }

    bool HapticGlove::GetCalibrationValues(std::vector<Vect3D>& values)
    {
        values.assign(fingerCount, Vect3D::zero);
        return false;
    }

    void HapticGlove::ResetCalibrationRange()
    {
        calibrationMin.assign(fingerCount, Vect3D(rangeSentinel, rangeSentinel, rangeSentinel));
        calibrationMax.assign(fingerCount, Vect3D(-rangeSentinel, -rangeSentinel, -rangeSentinel));
    }

    void HapticGlove::UpdateCalibrationRange(std::vector<Vect3D> values)
    {
        // A short list updates only the entries it has.
        detail::WidenCalibrationRange(*this, values.data(), values.size());
    }

    void HapticGlove::UpdateCalibrationRange()
    {
        std::vector<Vect3D> values;
        if (GetCalibrationValues(values))
            UpdateCalibrationRange(std::move(values));
    }

    void HapticGlove::GetCalibrationRange(std::vector<Vect3D>& minValues, std::vector<Vect3D>& maxValues)
    {
        if (calibrationMin.empty() || calibrationMax.empty())
            ResetCalibrationRange();
        minValues.clear();
        maxValues.clear();
        for (std::size_t i = 0; i < calibrationMin.size(); ++i)
        {
            minValues.push_back(calibrationMin[i]);
            // calibrationMax is public; a caller may have shortened it.
            maxValues.push_back(i < calibrationMax.size() ? calibrationMax[i]
                                                          : Vect3D(-rangeSentinel, -rangeSentinel, -rangeSentinel));
        }
    }

    void HapticGlove::UpdateCalibration(HandProfile& profile)
    {
        UpdateCalibrationRange();
        ApplyCalibration(profile);
    }

    void HapticGlove::ApplyCalibration(HandProfile&) {}
}
