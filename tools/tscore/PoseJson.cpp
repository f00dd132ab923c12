#include "PoseJson.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <vector>

#include "JointNames.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Vect3D;

    json Number(float value)
    {
        if (!std::isfinite(value))
            return nullptr;
        char buffer[32];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
        double out = 0.0;
        std::from_chars(buffer, written.ptr, out);
        return out;
    }

    json StateToJson(const GloveState& state)
    {
        return {{"service", state.service.Name()},
                {"stampAge", state.service.stampAge ? json(*state.service.stampAge) : json(nullptr)},
                {"connected", state.connected},
                {"word", state.Word()}};
    }

    namespace
    {

        json Vectors(const std::vector<std::vector<Vect3D>>& lists, std::size_t finger)
        {
            json out = json::array();
            if (finger < lists.size())
                for (const Vect3D& v : lists[finger])
                    out.push_back({Number(v.x), Number(v.y), Number(v.z)});
            return out;
        }

        json Rotation(const Quat& q) { return {Number(q.x), Number(q.y), Number(q.z), Number(q.w)}; }

        json Rotations(const std::vector<std::vector<Quat>>& lists, std::size_t finger)
        {
            json out = json::array();
            if (finger < lists.size())
                for (const Quat& q : lists[finger])
                    out.push_back(Rotation(q));
            return out;
        }

        json Fingers(const TSCore::HandPose& pose)
        {
            // A pose read from a file may hold more or fewer lists than five; each list is shown
            // as it is, a missing one as empty.
            const std::size_t fingers =
                std::max({pose.handAngles.size(), pose.jointPositions.size(), pose.jointRotations.size()});
            json list = json::array();
            for (std::size_t f = 0; f < fingers; ++f)
            {
                const float flexion = pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), false);
                list.push_back({{"name", FingerName(f)},
                                {"joints", {JointName(f, 0), JointName(f, 1), JointName(f, 2)}},
                                {"jointAngles", Vectors(pose.handAngles, f)},
                                {"positions", Vectors(pose.jointPositions, f)},
                                {"rotations", Rotations(pose.jointRotations, f)},
                                {"normalizedFlexion", Number(flexion)}});
            }
            return list;
        }

        json Units()
        {
            return {{"jointAngles", "radians: twist, flexion, spread per joint"},
                    {"positions", "millimetres, hand frame"},
                    {"rotations", "quaternion x, y, z, w"},
                    {"orientation", "quaternion x, y, z, w"},
                    {"time",
                     "seconds since 1970-01-01 UTC when the reading arrived (the first one seen: when it was read)"},
                    {"normalizedFlexion", "0 stretched, 1 fully flexed, not clamped"}};
        }
    }

    json PoseToJson(const TSCore::HandPose& pose, const PoseSource& source)
    {
        json out;
        if (!source.deviceId.empty())
            out["device"] = {{"id", source.deviceId}, {"kind", source.kind}, {"key", source.key}};
        out["side"] = pose.isRight ? "right" : "left";
        out["right"] = pose.isRight;
        if (source.time > 0.0)
            out["time"] = source.time;
        const std::vector<std::string> invalid = InvalidFingers(pose);
        out["valid"] = invalid.empty() && (!source.state || source.state->complete);
        out["invalidFingers"] = invalid;
        if (source.state)
            out["state"] = StateToJson(*source.state);
        out["units"] = Units();
        out["orientation"] = source.orientation ? Rotation(*source.orientation) : json(nullptr);
        out["fingers"] = Fingers(pose);
        return out;
    }

    double WallSeconds(std::chrono::system_clock::time_point at)
    {
        const auto since = at.time_since_epoch();
        return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count()) / 1000.0;
    }

    double NowSeconds() { return WallSeconds(std::chrono::system_clock::now()); }
}
