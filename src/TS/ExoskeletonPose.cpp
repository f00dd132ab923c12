#include "TS/ExoskeletonPose.h"

#include "Diagnostics/Log.h"
#include "Hand/HandChains.h"
#include "Kinematics/DigitAngles.h"
#include "Kinematics/VectorText.h"
#include "TSCore/Kinematics/JointKinematics.h"
#include "TSCore/Kinematics/Values.h"
#include "Util/FieldReader.h"
#include "Util/SplitView.h"

namespace TSCore::TS::detail
{
    using Kinematics::BasicHandModel;
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;
    using Util::detail::SplitViews;

    namespace
    {
        constexpr auto fingers = static_cast<std::size_t>(fingerCount);
        // The last sensor of a finger bends past the others' range; it wraps into [-60, 300] degrees.
        constexpr float lastAngleLower = -60.0f * Values::Deg2Rad;
        constexpr float lastAngleUpper = 300.0f * Values::Deg2Rad;

        void LogUnreadable(const std::string& what)
        {
            TSCORE_LOG(Errors, what);
            TSCORE_LOG(Errors, Util::detail::floatRangeError);
        }

        // One finger's group "a;b;c;d"; returns the number of values read.
        int ReadGroup(std::string_view group, std::size_t finger, std::vector<float>& angles)
        {
            thread_local std::vector<std::string_view> values;
            SplitViews(group, ';', values);
            angles.clear();
            angles.reserve(values.size());
            for (std::size_t j = 0; j < values.size(); ++j)
            {
                float value = 0.0f;
                if (!Util::detail::ReadFloat(values[j], 0.0f, value))
                {
                    // Not a float: left out, so the reading counts as incomplete.
                    LogUnreadable("Unreadable sensor value at finger " + std::to_string(finger) + ": " +
                                  std::string(values[j]));
                    continue;
                }
                angles.push_back(j + 1 < values.size() ? Values::NormalizeAngle(value)
                                                       : Values::NormalizeAngle(value, lastAngleLower, lastAngleUpper));
            }
            return static_cast<int>(angles.size());
        }

        const std::vector<Vect3D>& SectionsOf(const TS_GloveInfo& glove, std::size_t f)
        {
            static const std::vector<Vect3D> none;
            return f < glove.gloveLengths.size() ? glove.gloveLengths[f] : none;
        }
    }

    void ReadSensors(std::string_view text, const TS_GloveInfo& glove, TS_SensorData& out)
    {
        thread_local std::vector<std::string_view> fields;
        thread_local std::vector<std::string_view> groups;
        SplitViews(text, ':', fields);
        out.parsedValues = 0;
        if (fields.size() < 2)
        {
            TSCORE_LOG(Verbose, "No Sensor data present in this string!");
            out.sensorAngles.clear();
        }
        else
        {
            SplitViews(fields[1], '|', groups);
            out.sensorAngles.resize(fingers);
            for (std::size_t f = 0; f < fingers; ++f)
            {
                if (f < groups.size())
                    out.parsedValues += ReadGroup(groups[f], f, out.sensorAngles[f]);
                else
                    out.sensorAngles[f].clear();
            }
        }

        Quat q;
        out.imuParsed = false;
        if (fields.size() >= 3)
        {
            const Util::detail::ParseStatus status = Kinematics::detail::ReadQuat(fields[2], ';', q);
            out.imuParsed = status == Util::detail::ParseStatus::Ok;
            if (status == Util::detail::ParseStatus::OutOfRange)
                LogUnreadable("Unreadable orientation: " + std::string(fields[2]));
        }
        out.imuRotation = q * glove.imuCorrection;
    }

    void LinkageAngles(const std::vector<std::vector<float>>& sensorAngles, std::vector<std::vector<Vect3D>>& out)
    {
        out.resize(sensorAngles.size());
        for (std::size_t f = 0; f < sensorAngles.size(); ++f)
        {
            const std::vector<float>& a = sensorAngles[f];
            const auto at = [&a](std::size_t i) { return i < a.size() ? a[i] : 0.0f; };
            out[f].assign({Vect3D(0.0f, 0.0f, at(0)), Vect3D::zero, Vect3D(0.0f, at(1), 0.0f),
                           Vect3D(0.0f, at(2), 0.0f), Vect3D(0.0f, at(3), 0.0f)});
        }
    }

    void LinkageKinematics(const TS_GloveInfo& glove, TS_GlovePose& pose)
    {
        std::vector<std::vector<Vect3D>>& angles = pose.gloveAngles;
        for (std::size_t f = angles.size(); f < fingers; ++f)
            angles.emplace_back(SectionsOf(glove, f).size());
        angles.resize(fingers);
        pose.jointPositions.resize(fingers);
        pose.jointRotations.resize(fingers);
        for (std::size_t f = 0; f < fingers; ++f)
        {
            const auto finger = static_cast<Finger>(f);
            Kinematics::JointKinematics::ForwardKinematics(glove.GetStartPosition(finger),
                                                           glove.GetStartRotation(finger), SectionsOf(glove, f),
                                                           angles[f], pose.jointPositions[f], pose.jointRotations[f]);
        }
        pose.isRight = glove.isRight;
    }

    void IdleLinkage(const TS_GloveInfo& glove, TS_GlovePose& pose)
    {
        // Every finger gets as many angles as the glove has finger lists (five on every glove).
        pose.gloveAngles.assign(fingers, std::vector<Vect3D>(glove.gloveLengths.size()));
        if (!pose.gloveAngles[0].empty())
            pose.gloveAngles[0][0].z = (glove.isRight ? 1.0f : -1.0f) * Values::Deg2Rad * -90.0f;
        LinkageKinematics(glove, pose);
    }

    void SummedAngles(const TS_GlovePose& pose, std::vector<Vect3D>& out)
    {
        out.resize(pose.gloveAngles.size());
        for (std::size_t f = 0; f < pose.gloveAngles.size(); ++f)
        {
            Vect3D sum(0.0f, 0.0f, 0.0f);
            for (const Vect3D& a : pose.gloveAngles[f])
                sum = sum + a;
            out[f] = sum;
        }
    }

    void SolveHand(const std::vector<Vect3D>& totals, const BasicHandModel& model, const TS_HandProfile& profile,
                   HandPose& out)
    {
        if (profile.solver != TS_Solver::Interpolation)
        {
            out = HandPose::DefaultIdle(profile.isRight);
            return;
        }
        const auto total = [&totals](std::size_t f) { return f < totals.size() ? totals[f] : Vect3D::zero; };
        out.isRight = profile.isRight;
        out.handAngles.resize(fingers);
        Kinematics::detail::InterpolateThumb(profile.interpolator, total(0), out.handAngles[0]);
        for (std::size_t f = 1; f < fingers; ++f)
            Kinematics::detail::InterpolateFinger(static_cast<Finger>(f), profile.interpolator, total(f),
                                                  out.handAngles[f]);
        // The thumb starts from the profile's rotation, not the hand model's.
        TSCore::detail::SolveHandChains(model, profile.interpolator.thumbStartRotation, TSCore::detail::ownAngles, out);
    }

    bool GlovePoseFromText(std::string_view text, const TS_GloveInfo& glove, ExoskeletonFrame& frame)
    {
        ReadSensors(text, glove, frame.reading);
        if (frame.reading.parsedValues != glove.numSensors)
            return false;
        LinkageAngles(frame.reading.sensorAngles, frame.glovePose.gloveAngles);
        LinkageKinematics(glove, frame.glovePose);
        SummedAngles(frame.glovePose, frame.totals);
        return true;
    }
}
