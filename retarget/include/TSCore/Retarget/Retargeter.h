#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TSCore/Finger.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "TSCore/Retarget/Export.h"
#include "TSCore/Retarget/RobotJoints.h"

namespace TSCore::Retarget
{
    /// Drives a URDF robot hand from the glove's hand pose: for every solve, the joint
    /// positions within the robot's limits whose wrist-to-tip vectors (and thumb-to-fingertip
    /// vectors, weighted up as a pinch closes) best match the wearer's, scaled to the robot,
    /// starting from and held near the previous solution, then smoothed. The configuration
    /// file (YAML) names the URDF, the base link and the links that stand for each digit; see
    /// the README.
    ///
    /// Nothing here throws or logs to the caller: Load reports what is wrong in its error
    /// text, Solve with a bool. One instance is used from one thread at a time.
    class TSCORE_RETARGET_API Retargeter
    {
    public:
        enum class JointType : int
        {
            Revolute = 0,
            Continuous = 1,
            Prismatic = 2,
        };

        enum class Solver : int
        {
            /// Damped least squares (Levenberg-Marquardt) on the links' analytic Jacobians,
            /// with the limits as a box: the default.
            DampedLeastSquares = 0,
            /// NLopt's SLSQP on the same objective and gradient.
            Slsqp = 1,
        };

        /// One movable joint, in the order of RobotJoints.
        struct JointInfo
        {
            std::string name;
            JointType type = JointType::Revolute;
            /// The URDF's limits (infinite for a continuous joint).
            double lower = 0.0;
            double upper = 0.0;
            /// What every solution keeps to: the URDF's limits less the margins, and for a
            /// joint that others mimic, narrowed so that they keep theirs too.
            double solveLower = 0.0;
            double solveUpper = 0.0;
            /// The URDF's velocity limit (rad/s or m/s); 0 when it gives none.
            double velocity = 0.0;
            /// The joint this one follows (position = multiplier * that joint + offset);
            /// empty for a joint of its own.
            std::string mimics;
            double multiplier = 1.0;
            double offset = 0.0;
            /// The digit (a Finger value) whose matched links this joint moves: -1 when it
            /// moves none, or the links of several digits (a palm joint).
            int digit = -1;
        };

        /// A robot link matched to a point of the wearer's hand.
        struct LinkMatch
        {
            Finger digit = Finger::Thumb;
            std::string link;
            /// Which point of the digit (an index into the digit's HandPose::jointPositions):
            /// 0 its first joint (thumb CMC, finger MCP), 1 and 2 the next ones (thumb MCP and
            /// IP, finger PIP and DIP), 3 the tip.
            int point = 3;
            double weight = 1.0;
            /// The digit's scale from the wearer's hand to the robot.
            double scale = 1.0;
            /// True when the scale was derived from the hand model and the robot (not set in
            /// the configuration).
            bool scaleDerived = true;
        };

        /// A link of the robot, for drawing: its parent's index in Links() (-1 for the root).
        struct Link
        {
            std::string name;
            int parent = -1;
        };

        /// What the last Solve did.
        struct SolveStats
        {
            int iterations = 0;
            /// The objective at the solution (m^2): weighted squared vector errors plus the
            /// regularisation.
            double cost = 0.0;
            /// False when the solver stopped at its iteration limit.
            bool converged = false;
        };

        /// Force on the wearer's fingers from the robot's own measured joint efforts (the
        /// configuration's effort_feedback): per digit, nothing below minEffort, full force at
        /// maxEffort or more, linear between, from the largest magnitude among its joints.
        struct EffortFeedback
        {
            struct Digit
            {
                Finger digit = Finger::Thumb;
                /// Joints of the robot, by name; by default those that move the digit's matched links.
                std::vector<std::string> joints;
                double minEffort = 0.0;
                double maxEffort = 1.0;
            };
            /// The ROS 2 topic of the robot's measured sensor_msgs/JointState; empty when the
            /// configuration asks for no effort feedback.
            std::string topic;
            std::vector<Digit> digits;
        };

        /// Reads the configuration file and the URDF it names (a relative path is taken
        /// from the configuration file's folder). Empty, with error set to a message that
        /// names the file and the element, when either cannot be used.
        static std::unique_ptr<Retargeter> Load(const std::string& configPath, std::string& error);
        /// The same from configuration text; a relative URDF path is taken from directory.
        /// Messages name the text "<text>".
        static std::unique_ptr<Retargeter> FromText(const std::string& yaml, const std::string& directory,
                                                    std::string& error);

        Retargeter(const Retargeter&) = delete;
        Retargeter& operator=(const Retargeter&) = delete;
        /// A moved-from retargeter may only be destroyed or assigned to.
        Retargeter(Retargeter&&) noexcept;
        Retargeter& operator=(Retargeter&&) noexcept;
        ~Retargeter();

        /// Solves for the pose read at timeSeconds (any monotonic clock; it drives the
        /// filter) and writes every joint into out. False, with out and the retargeter's
        /// state left as they were, when the pose lacks a point the configuration matches,
        /// holds a joint position that is not finite (in any digit), or the time is not finite.
        bool Solve(const HandPose& pose, double timeSeconds, RobotJoints& out);
        /// The same, timed by the steady clock at the call.
        bool Solve(const HandPose& pose, RobotJoints& out);
        /// Forgets the previous solution and the filter's state: the next solve starts from
        /// the rest pose (every joint at 0, or its nearest limit) and is not smoothed.
        void Reset();

        /// The current solution (the rest pose before the first solve).
        void Solution(RobotJoints& out) const;
        const std::vector<JointInfo>& Joints() const;
        const std::vector<LinkMatch>& Mapping() const;
        const std::vector<Link>& Links() const;
        /// Every link's origin at the current solution, in the order of Links(), in the
        /// glove's hand frame (millimetres, +x toward the fingers, +y toward the thumb of a
        /// right hand, +z out of the back; the configuration's wrist point at the origin) and
        /// at the robot's own size.
        void LinkPositions(std::vector<Kinematics::Vect3D>& out) const;
        /// For each entry of Mapping(), in the same frame: where the robot's link is at the
        /// current solution, and where the last solve wanted it (the wearer's point scaled
        /// to the robot; empty before the first solve).
        void MatchedPositions(std::vector<Kinematics::Vect3D>& robot, std::vector<Kinematics::Vect3D>& target) const;
        SolveStats LastStats() const;
        const EffortFeedback& Effort() const;
        Solver SolverInUse() const;

        const std::string& ConfigPath() const;
        const std::string& UrdfPath() const;
        const std::string& RobotName() const;
        const std::string& BaseLink() const;
        /// The side of the robot hand; a pose of the other side is mirrored onto it.
        bool IsRight() const;

    private:
        class Impl;
        explicit Retargeter(std::unique_ptr<Impl> impl);
        static std::unique_ptr<Retargeter> Create(const std::string& path, const std::string& text,
                                                  const std::string& name, const std::string& directory,
                                                  std::string& error);
        std::unique_ptr<Impl> impl;
    };
}
