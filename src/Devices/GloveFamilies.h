#pragma once

// The one place the device layer knows each device kind: the device a record's constants make,
// and one frame of a glove from a sensor text already in hand, what GetHandPose and
// GetIMURotation do once they have read the text, for every path that reads it some other way
// (the service reader, a recording, another machine). Each family widens its calibration range
// where its GetHandPose does, so a frame computed here leaves the glove as a per-call frame would.

#include <memory>
#include <string>
#include <string_view>

#include "Kelvo/KelvoPose.h"
#include "TS/ExoskeletonPose.h"
#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Hand/HandProfile.h"
#include "TSCore/Kelvo/Kelvo.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/TS/Tessara.h"

namespace TSCore::detail
{
    /// The device of the record's type (a DeviceType) parsed from its constants; null for a type
    /// without a parser or constants the parser rejects.
    std::shared_ptr<TSDevice> DeviceFromConstants(int type, std::string constants);

    /// What a stream of frames reuses: one per thread, or one per glove of a reader.
    struct FrameStorage
    {
        TS::detail::ExoskeletonFrame exoskeleton;
        Kelvo::Kelvo_SensorData kelvo;
    };

    /// The exoskeleton's frame: the glove pose of the text, which widens the glove's range,
    /// then the hand through profile. False, out untouched, for an incomplete reading.
    bool TessaraHandFromText(TS::Tessara& glove, std::string_view text, const Kinematics::BasicHandModel& model,
                             const TS::TS_HandProfile& profile, TS::detail::ExoskeletonFrame& frame, HandPose& out);

    /// The second model's reading of the text; a complete one widens the glove's range. False
    /// for an incomplete reading (out then holds what was read).
    bool KelvoReadingFromText(Kelvo::Kelvo& glove, std::string_view text, Kelvo::Kelvo_SensorData& out);

    /// The side of the idle hand that the glove's GetHandPose(HandProfile&, ...) answers a failed
    /// frame with: the second model takes its own part's side, every other device the profile's.
    bool IdleSide(HapticGlove& glove, const HandProfile& profile);

    /// The hand pose of the text through the glove's part of profile, on model (null: the
    /// default model of the glove's side). The idle pose of the side the family's
    /// GetHandPose(HandProfile&, ...) answers with, and false, for an incomplete reading or a
    /// device of no glove family.
    bool HandPoseFromText(HapticGlove& glove, std::string_view text, const Kinematics::BasicHandModel* model,
                          const HandProfile& profile, FrameStorage& storage, HandPose& out);

    /// The orientation of a complete reading of the text, as the family's GetIMURotation gives
    /// it; identity and false otherwise.
    bool IMURotationFromText(HapticGlove& glove, std::string_view text, FrameStorage& storage, Kinematics::Quat& q);
}
