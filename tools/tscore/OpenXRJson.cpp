#include "OpenXRJson.h"

#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::OpenXRHand;

    json OpenXRToJson(const TSCore::HandPose& pose, bool right, bool complete)
    {
        // The gloves compute their poses on the default model of their side.
        OpenXRHand::Locations hand;
        OpenXRHand::Locate(pose, TSCore::Kinematics::BasicHandModel::Default(right), complete, hand);
        json joints = json::array();
        for (int j = 0; j < OpenXRHand::jointCount; ++j)
        {
            const OpenXRHand::JointLocation& joint = hand.jointLocations[static_cast<std::size_t>(j)];
            const auto& p = joint.pose.position;
            const auto& q = joint.pose.orientation;
            joints.push_back({{"name", OpenXRHand::JointName(j)},
                              {"locationFlags", joint.locationFlags},
                              {"position", {p.x, p.y, p.z}},
                              {"orientation", {q.x, q.y, q.z, q.w}},
                              {"radius", joint.radius}});
        }
        return json{{"right", right}, {"isActive", hand.isActive}, {"joints", joints}};
    }
}
