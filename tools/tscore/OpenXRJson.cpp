#include "OpenXRJson.h"

#include <charconv>
#include <cmath>

#include <TSCore/Hand/OpenXRHand.h>

#include "GloveFacts.h"
#include "PoseJson.h"

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::OpenXRHand;

    json OpenXRToJson(const TSCore::HandPose& pose, bool right, const GloveState& state)
    {
        const OpenXRHand::Tracking tracking = OpenXRHand::TrackingOf(
            state.service.stampAge.has_value(), state.service.stampAge.value_or(0), state.connected, state.complete);
        // The gloves compute their poses on the default model of their side.
        OpenXRHand::Locations hand;
        OpenXRHand::Locate(pose, TSCoreLink::DefaultHandModel(right), tracking, hand);
        json joints = json::array();
        for (int j = 0; j < OpenXRHand::jointCount; ++j)
        {
            const OpenXRHand::JointLocation& joint = hand.jointLocations[static_cast<std::size_t>(j)];
            const auto& p = joint.pose.position;
            const auto& q = joint.pose.orientation;
            joints.push_back({{"name", OpenXRHand::JointName(j)},
                              {"locationFlags", joint.locationFlags},
                              {"position", {Number(p.x), Number(p.y), Number(p.z)}},
                              {"orientation", {Number(q.x), Number(q.y), Number(q.z), Number(q.w)}},
                              {"radius", Number(joint.radius)}});
        }
        return json{{"right", right}, {"isActive", hand.isActive}, {"state", StateToJson(state)}, {"joints", joints}};
    }

    std::string DumpFloats(const json& value)
    {
        std::string out;
        switch (value.type())
        {
        case json::value_t::object:
            for (const auto& [key, item] : value.items())
                out += (out.empty() ? "{" : ",") + json(key).dump() + ":" + DumpFloats(item);
            return out.empty() ? "{}" : out + "}";
        case json::value_t::array:
            for (const json& item : value)
                out += (out.empty() ? "[" : ",") + DumpFloats(item);
            return out.empty() ? "[]" : out + "]";
        case json::value_t::number_float:
        {
            const auto number = static_cast<float>(value.get<double>());
            if (!std::isfinite(number))
                return "null";
            char buffer[32];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, number).ptr;
            out.assign(buffer, end);
            // Whole values keep the ".0" that marks them as fractional numbers, as before.
            return out.find_first_of(".e") == std::string::npos ? out + ".0" : out;
        }
        default:
            return value.dump();
        }
    }
}
