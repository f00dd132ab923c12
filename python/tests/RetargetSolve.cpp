// The C++ side of the Python retargeting test: the library solves the same stored poses at the
// same times, so that Python's solutions can be compared with it number for number.
// Usage: tscore_py_retarget_solve CONFIG < LINES, each line "TIME POSE" (a pose's storage text);
// prints the joint names on one line, then per pose its positions (%.17g) or "refused".

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Retarget/Retargeter.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    using namespace TSCore;
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s CONFIG < TIME-AND-POSE LINES\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto robot = Retarget::Retargeter::Load(argv[1], error);
    if (!robot)
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Retarget::RobotJoints joints;
    robot->Solution(joints);
    for (const std::string& name : joints.names)
        std::printf("%s ", name.c_str());
    std::printf("\n");
    std::string line;
    while (std::getline(std::cin, line))
    {
        const double time = std::strtod(line.c_str(), nullptr);
        const HandPose pose = HandPose::Deserialize(line.substr(line.find(' ') + 1));
        if (!robot->Solve(pose, time, joints))
        {
            std::printf("refused\n");
            continue;
        }
        for (const double q : joints.positions)
            std::printf("%.17g ", q);
        std::printf("\n");
    }
    return 0;
}
