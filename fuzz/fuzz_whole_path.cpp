// The path of a live glove: a constants string and a sensor string (split at the first NUL)
// become glove information, a reading, a glove pose and a hand pose, for each glove family.
// Nothing throws, and every pose has the five digits the API documents.
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_Profile.h>
#include <TSCore/Kelvo/Kelvo_SensorData.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_GlovePose.h>
#include <TSCore/TS/TS_HandProfile.h>
#include <TSCore/TS/TS_SensorData.h>
#include <TSCore/TS/Tessara.h>

#include "FuzzHelpers.h"

using TSCore::HandPose;
using TSCore::Kinematics::BasicHandModel;

namespace
{
    void CheckHand(const HandPose& hand, bool right, const char* what)
    {
        TSCoreFuzz::Check(hand.isRight == right, what);
        TSCoreFuzz::Check(
            hand.handAngles.size() == 5 && hand.jointPositions.size() == 5 && hand.jointRotations.size() == 5, what);
        (void)hand.ToString(false);
        (void)hand.GetNormalizedFlexion(true);
    }

    void Exoskeleton(const std::string& constants, const std::string& sensors)
    {
        using namespace TSCore::TS;
        TS_GloveInfo info;
        TS_GloveInfo::Parse(constants, info, true);
        const TS_SensorData reading = TS_SensorData::Parse(sensors, info);
        const TS_GlovePose glove = Tessara::CalculateGlovePose(reading, info);
        TSCoreFuzz::Check(glove.jointPositions.size() == 5 && glove.jointRotations.size() == 5,
                          "five linkages in a glove pose");
        (void)glove.CalculateFingerTips(TS_HandProfile::Default(info.isRight));
        (void)Tessara::GetCalibrationValues(glove);
        const HandPose hand = Tessara::CalculateHandPose(glove, BasicHandModel::Default(info.isRight),
                                                         TS_HandProfile::Default(info.isRight));
        CheckHand(hand, info.isRight, "exoskeleton hand pose of the profile's side with five digits");
    }

    void SecondModel(const std::string& constants, const std::string& sensors)
    {
        using namespace TSCore::Kelvo;
        Kelvo_GloveInfo info;
        Kelvo_GloveInfo::Parse(constants, info);
        Kelvo_SensorData reading = Kelvo_SensorData::Parse(sensors, info);
        BasicHandModel model = BasicHandModel::Default(info.isRight);
        Kelvo_Profile profile = Kelvo_Profile::Default(info.isRight);
        const HandPose hand = Kelvo::CalculateHandPose(model, reading, profile);
        CheckHand(hand, info.isRight, "second-model hand pose of the profile's side with five digits");
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [constants, sensors] = TSCoreFuzz::TwoTexts(data, size);
    Exoskeleton(constants, sensors);
    SecondModel(constants, sensors);
    return 0;
}
