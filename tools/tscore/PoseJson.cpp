#include "PoseJson.h"

#include <algorithm>
#include <string>
#include <vector>

#include <TSCore/Util/StrStuff.h>

namespace TSCoreCli
{
    using json = nlohmann::ordered_json;
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        json Vectors(const std::vector<std::vector<Vect3D>>& lists, std::size_t finger)
        {
            json out = json::array();
            if (finger < lists.size())
                for (const Vect3D& v : lists[finger])
                    out.push_back({v.x, v.y, v.z});
            return out;
        }

        json Rotations(const std::vector<std::vector<Quat>>& lists, std::size_t finger)
        {
            json out = json::array();
            if (finger < lists.size())
                for (const Quat& q : lists[finger])
                    out.push_back({q.x, q.y, q.z, q.w});
            return out;
        }
    }

    json PoseToJson(const TSCore::HandPose& pose)
    {
        // A pose read from a file may hold more or fewer lists than five; each list is shown
        // as it is, a missing one as empty.
        const std::size_t fingers =
            std::max({pose.handAngles.size(), pose.jointPositions.size(), pose.jointRotations.size()});
        json list = json::array();
        for (std::size_t f = 0; f < fingers; ++f)
        {
            const std::string name = f < static_cast<std::size_t>(TSCore::fingerCount)
                                         ? TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(f))
                                         : "Finger" + std::to_string(f);
            list.push_back({{"name", name},
                            {"jointAngles", Vectors(pose.handAngles, f)},
                            {"positions", Vectors(pose.jointPositions, f)},
                            {"rotations", Rotations(pose.jointRotations, f)},
                            {"normalizedFlexion", pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(f), false)}});
        }
        return json{{"right", pose.isRight}, {"fingers", list}};
    }
}
