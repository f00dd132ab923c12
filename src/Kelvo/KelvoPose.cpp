#include "Kelvo/KelvoPose.h"

#include <algorithm>
#include <limits>
#include <string>

#include "Diagnostics/Log.h"
#include "Hand/HandChains.h"
#include "Kinematics/DigitAngles.h"
#include "Kinematics/VectorText.h"
#include "Util/FieldReader.h"
#include "Util/SplitView.h"

namespace TSCore::Kelvo::detail
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    namespace
    {
        // Readings of one entry that count toward parsedValues.
        constexpr std::size_t countedPerEntry = 3;
        // The little finger's joints follow the ring finger's angles.
        constexpr TSCore::detail::ChainAngles littleFollowsRing = {0, 1, 2, 3, 3};

        // One entry "a;b;...": (0, a, b) as whole numbers (truncated toward zero, saturating).
        // False for a reading beyond the float range: every reading is converted, not only the
        // two kept.
        bool ReadEntry(std::string_view entry, Vect3D& angles, std::size_t& parts)
        {
            thread_local std::vector<std::string_view> readings;
            Util::detail::SplitViews(entry, ';', readings);
            float kept[2] = {0.0f, 0.0f};
            for (std::size_t i = 0; i < readings.size(); ++i)
            {
                float v = 0.0f;
                if (!Util::detail::ReadFloat(readings[i], 0.0f, v))
                    return false;
                if (i < 2)
                    kept[i] = static_cast<float>(Util::detail::SaturatingToInt(v));
            }
            angles = Vect3D(0.0f, kept[0], kept[1]);
            parts = readings.size();
            return true;
        }

        void Unreadable(Kelvo_SensorData& out)
        {
            TSCORE_LOG(Errors, std::string("Error while deserializing a Kelvo: ") + Util::detail::floatRangeError);
            out = Kelvo_SensorData::Empty();
        }
    }

    void ReadSensors(std::string_view text, const Kelvo_GloveInfo& info, Kelvo_SensorData& out)
    {
        thread_local std::vector<std::string_view> sections;
        thread_local std::vector<std::string_view> entries;
        Util::detail::SplitViews(text, ':', sections);
        entries.clear();
        if (!sections.empty())
            Util::detail::SplitViews(sections[0], '|', entries);
        std::size_t parsed = 0;
        out.sensorAngles.clear();
        for (const std::string_view entry : entries)
        {
            std::size_t parts = 0;
            if (!ReadEntry(entry, out.sensorAngles.emplace_back(), parts))
                return Unreadable(out);
            parsed += std::min(parts, countedPerEntry);
        }
        Quat raw;
        const Util::detail::ParseStatus imu = sections.size() >= 2 ? Kinematics::detail::ReadQuat(sections[1], ';', raw)
                                                                   : Util::detail::ParseStatus::Invalid;
        if (imu == Util::detail::ParseStatus::OutOfRange)
            return Unreadable(out);
        // Saturate: a caller may pass any text, not only a sensor string of bounded size.
        const auto most = static_cast<std::size_t>(std::numeric_limits<int>::max());
        out.parsedValues = parsed > most ? std::numeric_limits<int>::max() : static_cast<int>(parsed);
        out.imuParsed = imu == Util::detail::ParseStatus::Ok;
        out.imuRotation = raw * info.imuCorrection;
    }

    void SolveHand(const Kinematics::BasicHandModel& model, const Kelvo_SensorData& data, const Kelvo_Profile& profile,
                   HandPose& out)
    {
        const Kinematics::HandInterpolator& interp = profile.interpolator;
        const std::vector<Vect3D>& s = data.sensorAngles;
        out.isRight = profile.isRight;
        out.handAngles.resize(static_cast<std::size_t>(fingerCount));
        Kinematics::detail::InterpolateThumb(interp, EntryOrZero(s, 0), out.handAngles[0]);
        for (std::size_t f = 1; f < out.handAngles.size(); ++f)
            Kinematics::detail::InterpolateFinger(static_cast<Finger>(f), interp,
                                                  EntryOrZero(s, f < ringSensor ? f : ringSensor), out.handAngles[f]);
        TSCore::detail::SolveHandChains(model, interp.thumbStartRotation, littleFollowsRing, out);
    }
}
