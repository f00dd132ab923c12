#pragma once

// The retargeting configuration as read from its YAML text, checked for its own sake (types,
// ranges, unknown fields); whether the links and joints it names exist is the robot model's
// check. Every name keeps where it stood, "file:line: element", for the messages.

#include <array>
#include <string>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Retarget/Retargeter.h"

namespace TSCore::Retarget::detail
{
    /// A name from the configuration and where it stands, "file:line: element".
    struct NamedRef
    {
        std::string name;
        std::string where;
    };

    struct LinkTarget
    {
        NamedRef link;
        int point = 3;
        double weight = 1.0;
    };

    struct DigitConfig
    {
        bool present = false;
        /// The tip first, then the intermediate links in the order given.
        std::vector<LinkTarget> links;
        /// 0: derived from the hand model and the robot.
        double scale = 0.0;
        std::string scaleWhere;
    };

    struct PinchConfig
    {
        double start = 0.04;
        double full = 0.015;
        double distance = 0.005;
        double weight = 10.0;
        double openWeight = 0.5;
    };

    enum class FilterType
    {
        None,
        OneEuro,
    };

    struct FilterConfig
    {
        FilterType type = FilterType::OneEuro;
        double minCutoff = 4.0;
        double beta = 2.0;
        double derivativeCutoff = 1.0;
    };

    struct JointMargin
    {
        NamedRef joint;
        double margin = 0.0;
    };

    /// A digit's force from the robot's measured efforts.
    struct EffortDigitConfig
    {
        bool present = false;
        std::string where;
        /// Empty: the joints that move the digit's matched links.
        std::vector<NamedRef> joints;
        double minEffort = 0.0;
        double maxEffort = 0.0;
    };

    struct EffortConfig
    {
        bool present = false;
        std::string topic;
        std::array<EffortDigitConfig, fingerCount> digits{};
    };

    struct RetargetConfig
    {
        /// The configuration as messages name it: its path, or "<text>".
        std::string name;
        std::string urdfPath;
        std::string urdfWhere;
        NamedRef baseLink;
        bool right = true;
        std::array<double, 3> rpy{};
        std::array<double, 3> wrist{};
        Retargeter::Solver solver = Retargeter::Solver::DampedLeastSquares;
        std::array<DigitConfig, fingerCount> digits{};
        PinchConfig pinch;
        /// Metres per radian (or per metre): a joint step of d costs as much as a vector
        /// error of regularisation * d.
        double regularisation = 0.02;
        /// The same for the distance from the rest pose.
        double posture = 0.002;
        double margin = 0.01;
        std::vector<JointMargin> jointMargins;
        FilterConfig filter;
        int iterations = 30;
        EffortConfig effort;
    };

    /// Reads the configuration text; name is what messages call it, and a relative URDF path
    /// is taken from directory. False with error set to "name:line: element: problem".
    bool ReadRetargetConfig(const std::string& text, const std::string& name, const std::string& directory,
                            RetargetConfig& out, std::string& error);
}
