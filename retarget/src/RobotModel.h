#pragma once

// The robot as the solver sees it: the movable joints in output order, the free variables
// (every joint that moves a matched link, a mimic joint's leader standing in for it), the
// box each variable keeps to, and one KDL chain from the base link to each matched link
// with its solvers and storage, so that evaluating positions and Jacobians allocates nothing.

#include <memory>
#include <string>
#include <vector>

#include <Eigen/Core>
#include <kdl/chain.hpp>
#include <kdl/chainfksolverpos_recursive.hpp>
#include <kdl/chainjnttojacsolver.hpp>
#include <kdl/frames.hpp>
#include <kdl/jacobian.hpp>
#include <kdl/jntarray.hpp>
#include <kdl/segment.hpp>

#include "RetargetConfig.h"
#include "TSCore/Retarget/Retargeter.h"
#include "UrdfLoader.h"

namespace TSCore::Retarget::detail
{
    struct ModelJoint
    {
        Retargeter::JointInfo info;
        /// The variable that moves it (its own, or its leader's for a mimic joint); -1 for a
        /// joint that moves no matched link, which stays at rest.
        int variable = -1;
        /// position = multiplier * x[variable] + offset (1 and 0 for a joint of its own).
        double multiplier = 1.0;
        double offset = 0.0;
        double rest = 0.0;
    };

    /// A chain from the base link to a matched link (a digit's tip, usually), with the
    /// matched links along it: one forward pass and one Jacobian serve them all.
    struct PointChain
    {
        KDL::Chain chain;
        std::unique_ptr<KDL::ChainFkSolverPos_recursive> fk;
        std::unique_ptr<KDL::ChainJntToJacSolver> jac;
        /// Per joint of the chain, the model joint it is.
        std::vector<int> joints;
        KDL::JntArray q;
        KDL::Jacobian jacobian;
        /// The frame at the end of each segment.
        std::vector<KDL::Frame> frames;
    };

    /// Where a matched link is found: its chain, the segment that ends in it, and how many of
    /// the chain's joints lie above it.
    struct PointRef
    {
        std::size_t chain = 0;
        std::size_t segment = 0;
        std::size_t joints = 0;
    };

    /// A link for drawing: the segment that ends in it and the joint that moves it.
    struct DrawLink
    {
        KDL::Segment segment;
        int joint = -1;
    };

    class RobotModel
    {
    public:
        bool Build(const RetargetConfig& config, LoadedUrdf urdf, std::string& error);

        int Variables() const { return static_cast<int>(lower.size()); }
        /// Positions (base frame, metres) of every matched link at x into positions (3 x links),
        /// and with jacobian their derivatives by x into jacobians (3 * links x variables).
        void Evaluate(const double* x, bool jacobian);
        /// Every joint's position at x, in output order.
        void JointPositions(const double* x, double* out) const;
        /// Every drawn link's origin at x, base frame, metres.
        void LinkOrigins(const double* x, std::vector<KDL::Vector>& out) const;

        std::vector<ModelJoint> joints;
        std::vector<Retargeter::LinkMatch> mapping;
        std::vector<Retargeter::Link> links;
        std::vector<DrawLink> drawLinks;
        std::string robotName;
        /// Per variable: its box, and the rest pose.
        std::vector<double> lower;
        std::vector<double> upper;
        std::vector<double> rest;
        /// The fastest each variable may move (per second) for its joints to keep their URDF
        /// velocity limits; 0 for no limit.
        std::vector<double> speed;
        Eigen::Matrix3Xd positions;
        Eigen::MatrixXd jacobians;
        /// Per matched link, the variables that move it (the only nonzero columns of its
        /// rows of jacobians), ascending.
        std::vector<std::vector<Eigen::Index>> pointVariables;

    private:
        bool MatchLinks(const RetargetConfig& config, std::string& error);
        bool OrderJoints(const RetargetConfig& config, std::string& error);
        bool ResolveMimics(std::string& error);
        bool SetLimits(const RetargetConfig& config, std::string& error);
        /// Each joint's variable, rest position and digit, each variable's speed limit, from
        /// the leaders' digit masks and variables.
        void AssignVariables(const std::vector<unsigned>& leaderMask, const std::vector<int>& variableOf);
        bool BuildChains(std::string& error);
        /// Finds link on a chain built so far; false when none has it.
        bool OnChain(const std::string& link, PointRef& out) const;
        bool AddChain(const std::string& link, std::string& error);
        void BuildDrawLinks(const std::string& base);
        int JointIndex(const std::string& name) const;
        double JointPosition(const ModelJoint& j, const double* x) const;

        LoadedUrdf urdf;
        std::string baseLink;
        mutable std::vector<KDL::Frame> frames;
        /// Per joint while building: bit d set when it lies above a link matched to digit d.
        std::vector<unsigned> digitMasks;
        /// The solvers keep references to their chains: the chains must not move.
        std::vector<std::unique_ptr<PointChain>> chains;
        std::vector<PointRef> refs;
    };
}
