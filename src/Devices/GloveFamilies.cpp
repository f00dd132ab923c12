#include "Devices/GloveFamilies.h"

#include "Devices/GloveCore.h"
#include "TSCore/Devices/BetaDevice.h"

namespace TSCore::detail
{
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    std::shared_ptr<TSDevice> DeviceFromConstants(int type, std::string constants)
    {
        switch (static_cast<DeviceType>(type))
        {
        case DeviceType::BetaDevice:
            return BetaDevice::Parse(std::move(constants));
        case DeviceType::Tessara:
            return TS::Tessara::Parse(std::move(constants));
        case DeviceType::Kelvo:
            return Kelvo::Kelvo::Parse(std::move(constants));
        default:
            return nullptr;
        }
    }

    bool TessaraHandFromText(TS::Tessara& glove, std::string_view text, const BasicHandModel& model,
                             const TS::TS_HandProfile& profile, TS::detail::ExoskeletonFrame& frame, HandPose& out)
    {
        if (!TS::detail::GlovePoseFromText(text, glove.gloveModel, frame))
            return false;
        // Every glove pose this glove computes widens its calibration range. (The second model
        // widens it on every complete reading instead: each family as it is documented.)
        WidenCalibrationRange(glove, frame.totals.data(), frame.totals.size());
        TS::detail::SolveHand(frame.totals, model, profile, out);
        return true;
    }

    bool KelvoReadingFromText(Kelvo::Kelvo& glove, std::string_view text, Kelvo::Kelvo_SensorData& out)
    {
        Kelvo::detail::ReadSensors(text, glove.gloveInfo, out);
        if (out.parsedValues != glove.gloveInfo.numSensors)
            return false;
        // Every complete reading widens the calibration range. (The exoskeleton widens it with
        // every glove pose instead: each family as it is documented.)
        Vect3D values[fingerCount];
        Kelvo::detail::CalibrationValues(out, values);
        WidenCalibrationRange(glove, values, fingerCount);
        return true;
    }

    bool IdleSide(HapticGlove& glove, const HandProfile& profile)
    {
        return dynamic_cast<Kelvo::Kelvo*>(&glove) != nullptr ? profile.kelvoProfile.isRight : profile.isRight;
    }

    bool HandPoseFromText(HapticGlove& glove, std::string_view text, const BasicHandModel* model,
                          const HandProfile& profile, FrameStorage& storage, HandPose& out)
    {
        if (auto* tessara = dynamic_cast<TS::Tessara*>(&glove))
        {
            const BasicHandModel& hand = model != nullptr ? *model : DefaultHandModel(tessara->IsRight());
            if (TessaraHandFromText(*tessara, text, hand, profile.tsProfile, storage.exoskeleton, out))
                return true;
        }
        else if (auto* kelvo = dynamic_cast<Kelvo::Kelvo*>(&glove))
        {
            if (KelvoReadingFromText(*kelvo, text, storage.kelvo))
            {
                const BasicHandModel& hand = model != nullptr ? *model : DefaultHandModel(kelvo->IsRight());
                Kelvo::detail::SolveHand(hand, storage.kelvo, profile.kelvoProfile, out);
                return true;
            }
        }
        out = HandPose::DefaultIdle(IdleSide(glove, profile));
        return false;
    }

    bool IMURotationFromText(HapticGlove& glove, std::string_view text, FrameStorage& storage, Quat& q)
    {
        if (auto* tessara = dynamic_cast<TS::Tessara*>(&glove))
        {
            TS::TS_SensorData& reading = storage.exoskeleton.reading;
            TS::detail::ReadSensors(text, tessara->gloveModel, reading);
            if (reading.parsedValues == tessara->gloveModel.numSensors)
            {
                q = reading.imuRotation;
                return reading.imuParsed;
            }
        }
        else if (auto* kelvo = dynamic_cast<Kelvo::Kelvo*>(&glove))
        {
            if (KelvoReadingFromText(*kelvo, text, storage.kelvo))
            {
                q = storage.kelvo.imuRotation;
                return storage.kelvo.imuParsed;
            }
        }
        q = Quat::identity;
        return false;
    }
}
