#pragma once

// What the solvers minimise, over the free joint variables x within their box:
//
//   sum over matched links i     w_i |(p_i(x) - wrist) - s_d R h_i|^2
// + sum over fingers f (thumb)   w_f(c) |(p_f(x) - p_thumb(x)) - t_f|^2
// + lambda |x - x_previous|^2 + rho |x - x_rest|^2
//
// p are the robot's links in the base frame, h the wearer's points (hand frame, metres), R
// turns the hand frame into the base frame and s_d is the digit's scale. A pinch term's
// target t_f is the wearer's thumb-to-fingertip vector, scaled, whose length is drawn toward
// the configured pinch distance as the wearer's tips close (c from 0 at pinch.start to 1 at
// pinch.full, smoothly), while its weight rises from open_weight to weight. The first
// quadratic term holds the solution near the previous one; the second, much weaker, settles a
// joint that barely moves any link (a finger's spread when it is curled under its knuckle) at
// rest instead of letting it swing across its range.

#include <vector>

#include <Eigen/Core>

#include "RetargetConfig.h"
#include "RobotModel.h"
#include "TSCore/Hand/HandPose.h"

namespace TSCore::Retarget::detail
{
    class Objective
    {
    public:
        /// Sets the scales (derived ones from the hand model and the robot at rest) and the
        /// terms; false with error when a derived scale cannot be had.
        bool Setup(const RetargetConfig& config, RobotModel& model, std::string& error);

        /// Targets from the pose; false (nothing changed) when the pose lacks a point the
        /// terms need or holds a position that is not finite.
        bool SetTargets(const HandPose& pose);
        /// The solution to stay near; none (held is false) on the first solve, which then goes
        /// straight to the best fit.
        void SetPrevious(const double* x, bool held);

        /// The objective at x; its gradient into gradient when that is not null.
        double Cost(const double* x, double* gradient);
        /// The weighted residuals and their Jacobian at x (into Residuals() and Jacobian());
        /// returns the objective.
        double Linearise(const double* x);

        const Eigen::VectorXd& Residuals() const { return residuals; }
        const Eigen::MatrixXd& Jacobian() const { return jacobian; }
        /// Adds the quadratic terms' gradient (halved, as in J'r) and Hessian (halved, as in
        /// J'J) at x.
        void AddQuadratic(const Eigen::VectorXd& x, Eigen::VectorXd& gradient, Eigen::MatrixXd& normal) const;
        /// Where the matched links should be (base frame, metres), in mapping order.
        const Eigen::Matrix3Xd& Targets() const { return targets; }
        const Eigen::Matrix3d& Rotation() const { return rotation; }
        /// Per block of three residual rows, the only variables whose Jacobian columns are not
        /// zero in it, ascending.
        const std::vector<std::vector<Eigen::Index>>& BlockVariables() const { return blockVariables; }
        const Eigen::Vector3d& Wrist() const { return wrist; }

    private:
        struct PinchTerm
        {
            Eigen::Index thumb = 0;
            Eigen::Index finger = 0;
            double scale = 1.0;
            double weight = 0.0;
            Eigen::Vector3d target = Eigen::Vector3d::Zero();
        };

        double Fill(const double* x, bool withJacobian);
        bool HumanPoint(const HandPose& pose, int digit, int point, bool mirror, Eigen::Vector3d& out) const;

        RobotModel* model = nullptr;
        PinchConfig pinch;
        bool right = true;
        Eigen::Matrix3d rotation = Eigen::Matrix3d::Identity();
        Eigen::Vector3d wrist = Eigen::Vector3d::Zero();
        double lambda = 0.0;
        double heldLambda = 0.0;
        double rho = 0.0;
        Eigen::VectorXd rest;
        std::vector<double> sqrtWeights;
        std::vector<PinchTerm> pinches;
        std::vector<std::vector<Eigen::Index>> blockVariables;
        Eigen::Matrix3Xd targets;
        Eigen::Matrix3Xd candidate;
        Eigen::VectorXd previous;
        Eigen::VectorXd residuals;
        Eigen::MatrixXd jacobian;
    };
}
