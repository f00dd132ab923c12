#include "JointNames.h"

#include <TSCore/Finger.h>
#include <TSCore/Kinematics/Values.h>
#include <TSCore/Util/StrStuff.h>

#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::Kinematics::Values;
    using TSCore::Kinematics::Vect3D;

    const char* const angleNames[3] = {"twist", "flexion", "spread"};
    const char* const angleUnitsNote = "Degrees: flexion toward the palm, spread sideways, twist about the bone";

    namespace
    {
        const char* const thumbJoints[] = {"CMC", "MCP", "IP"};
        const char* const fingerJoints[] = {"MCP", "PIP", "DIP"};
    }

    std::string FingerName(std::size_t finger)
    {
        return finger < static_cast<std::size_t>(TSCore::fingerCount)
                   ? TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(finger))
                   : "Finger" + std::to_string(finger);
    }

    const char* JointName(std::size_t finger, std::size_t joint)
    {
        if (joint >= 3)
            return "?";
        return finger == 0 ? thumbJoints[joint] : fingerJoints[joint];
    }

    std::string AngleColumnsHeader() { return "     flexion spread twist       flexion       flexion"; }

    std::string AngleColumns(const TSCore::HandPose& pose, std::size_t finger)
    {
        if (finger >= pose.handAngles.size() || pose.handAngles[finger].size() < 3)
            return "(no joint angles)";
        const auto& joints = pose.handAngles[finger];
        const Vect3D first = Values::Degrees(joints[0]);
        return PadRight(JointName(finger, 0), 4) + Padded(first.y, 8) + Padded(first.z, 7) + Padded(first.x, 6) + "  " +
               PadRight(JointName(finger, 1), 4) + Padded(Values::Degrees(joints[1]).y, 8) + "  " +
               PadRight(JointName(finger, 2), 4) + Padded(Values::Degrees(joints[2]).y, 8);
    }

    std::string QuaternionText(const TSCore::Kinematics::Quat& q)
    {
        return "x " + Fixed(q.x, 3) + "  y " + Fixed(q.y, 3) + "  z " + Fixed(q.z, 3) + "  w " + Fixed(q.w, 3);
    }
}
