#include "Objective.h"

#include <algorithm>
#include <cmath>

#include <kdl/frames.hpp>

#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/JointKinematics.h"

namespace TSCore::Retarget::detail
{
    namespace
    {
        constexpr double mmToM = 0.001;
        constexpr int tipPoint = 3;

        /// The wearer's wrist-to-tip length (metres) of a digit with every joint at 0, on the
        /// default hand model.
        double HumanOpenLength(bool right, int digit)
        {
            Kinematics::BasicHandModel model = Kinematics::BasicHandModel::Default(right);
            const std::vector<Kinematics::Vect3D> zero(3, Kinematics::Vect3D::zero);
            std::vector<Kinematics::Vect3D> positions;
            std::vector<Kinematics::Quat> rotations;
            Kinematics::JointKinematics::ForwardKinematics(model, static_cast<Finger>(digit), zero, positions,
                                                           rotations);
            return static_cast<double>(positions.back().Magnitude()) * mmToM;
        }

        double SmoothStep(double s)
        {
            s = std::clamp(s, 0.0, 1.0);
            return s * s * (3.0 - 2.0 * s);
        }
    }

    bool Objective::Setup(const RetargetConfig& config, RobotModel& m, std::string& error)
    {
        model = &m;
        pinch = config.pinch;
        right = config.right;
        const KDL::Rotation r = KDL::Rotation::RPY(config.rpy[0], config.rpy[1], config.rpy[2]);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                rotation(i, j) = r(i, j);
        wrist = Eigen::Vector3d(config.wrist[0], config.wrist[1], config.wrist[2]);
        heldLambda = config.regularisation * config.regularisation;
        rho = config.posture * config.posture;
        // Derived scales compare the robot at rest with the wearer's open hand, tip to tip.
        m.Evaluate(m.rest.data(), false);
        Eigen::Index tips[fingerCount] = {-1, -1, -1, -1, -1};
        for (std::size_t i = 0; i < m.mapping.size(); ++i)
        {
            Retargeter::LinkMatch& match = m.mapping[i];
            const int d = static_cast<int>(match.digit);
            const DigitConfig& digit = config.digits[std::size_t(d)];
            if (match.point == tipPoint && tips[d] < 0)
                tips[d] = static_cast<Eigen::Index>(i);
            const Eigen::Index tip = tips[d];
            const double robot = (m.positions.col(tip) - wrist).norm();
            match.scaleDerived = digit.scale == 0.0;
            match.scale = match.scaleDerived ? robot / HumanOpenLength(config.right, d) : digit.scale;
            if (!(match.scale > 1e-3) || !std::isfinite(match.scale))
            {
                error = (digit.scaleWhere.empty() ? digit.links[0].link.where : digit.scaleWhere) +
                        ": the scale cannot be derived (the robot's tip at rest is at the wrist); set it";
                return false;
            }
            sqrtWeights.push_back(std::sqrt(match.weight));
        }
        for (int f = 1; f < fingerCount; ++f)
            if (tips[0] >= 0 && tips[f] >= 0)
                pinches.push_back(
                    {tips[0], tips[f],
                     0.5 * (m.mapping[std::size_t(tips[0])].scale + m.mapping[std::size_t(tips[f])].scale), 0.0,
                     Eigen::Vector3d::Zero()});
        blockVariables = m.pointVariables;
        for (const PinchTerm& p : pinches)
        {
            std::vector<Eigen::Index> both = m.pointVariables[std::size_t(p.thumb)];
            for (const Eigen::Index v : m.pointVariables[std::size_t(p.finger)])
                if (std::find(both.begin(), both.end(), v) == both.end())
                    both.push_back(v);
            std::sort(both.begin(), both.end());
            blockVariables.push_back(both);
        }
        const Eigen::Index points = static_cast<Eigen::Index>(m.mapping.size());
        const Eigen::Index rows = 3 * (points + static_cast<Eigen::Index>(pinches.size()));
        targets = Eigen::Matrix3Xd::Zero(3, points);
        candidate = targets;
        previous = Eigen::Map<const Eigen::VectorXd>(m.rest.data(), m.Variables());
        rest = previous;
        residuals = Eigen::VectorXd::Zero(rows);
        jacobian = Eigen::MatrixXd::Zero(rows, m.Variables());
        return true;
    }

    bool Objective::HumanPoint(const HandPose& pose, int digit, int point, bool mirror, Eigen::Vector3d& out) const
    {
        if (pose.jointPositions.size() <= std::size_t(digit) ||
            pose.jointPositions[std::size_t(digit)].size() <= std::size_t(point))
            return false;
        const Kinematics::Vect3D& h = pose.jointPositions[std::size_t(digit)][std::size_t(point)];
        out = Eigen::Vector3d(h.x, mirror ? -h.y : h.y, h.z) * mmToM;
        return true;
    }

    bool Objective::SetTargets(const HandPose& pose)
    {
        // A position that is not finite means a broken reading, whichever digit it is in.
        for (const auto& digit : pose.jointPositions)
            for (const Kinematics::Vect3D& p : digit)
                if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                    return false;
        const bool mirror = pose.isRight != right;
        Eigen::Vector3d h = Eigen::Vector3d::Zero();
        for (std::size_t i = 0; i < model->mapping.size(); ++i)
        {
            const Retargeter::LinkMatch& m = model->mapping[i];
            if (!HumanPoint(pose, static_cast<int>(m.digit), m.point, mirror, h))
                return false;
            candidate.col(static_cast<Eigen::Index>(i)) = wrist + m.scale * (rotation * h);
        }
        targets = candidate;
        for (PinchTerm& p : pinches)
        {
            const int finger = static_cast<int>(model->mapping[std::size_t(p.finger)].digit);
            Eigen::Vector3d thumb = Eigen::Vector3d::Zero();
            HumanPoint(pose, 0, tipPoint, mirror, thumb);
            HumanPoint(pose, finger, tipPoint, mirror, h);
            const Eigen::Vector3d human = h - thumb;
            const double c = SmoothStep((pinch.start - human.norm()) / (pinch.start - pinch.full));
            p.weight = pinch.openWeight + (pinch.weight - pinch.openWeight) * c;
            const Eigen::Vector3d v = p.scale * (rotation * human);
            const double length = v.norm();
            p.target = length > 1e-9 ? Eigen::Vector3d(v * (((1.0 - c) * length + c * pinch.distance) / length)) : v;
        }
        return true;
    }

    void Objective::SetPrevious(const double* x, bool held)
    {
        previous = Eigen::Map<const Eigen::VectorXd>(x, previous.size());
        lambda = held ? heldLambda : 0.0;
    }

    double Objective::Fill(const double* x, bool withJacobian)
    {
        model->Evaluate(x, withJacobian);
        const Eigen::Index points = static_cast<Eigen::Index>(sqrtWeights.size());
        for (Eigen::Index i = 0; i < points; ++i)
        {
            const double w = sqrtWeights[std::size_t(i)];
            residuals.segment<3>(3 * i) = w * (model->positions.col(i) - targets.col(i));
            if (withJacobian)
                jacobian.middleRows<3>(3 * i) = w * model->jacobians.middleRows<3>(3 * i);
        }
        for (std::size_t k = 0; k < pinches.size(); ++k)
        {
            const PinchTerm& p = pinches[k];
            const double w = std::sqrt(p.weight);
            const Eigen::Index row = 3 * (points + static_cast<Eigen::Index>(k));
            residuals.segment<3>(row) = w * (model->positions.col(p.finger) - model->positions.col(p.thumb) - p.target);
            if (withJacobian)
                jacobian.middleRows<3>(row) =
                    w * (model->jacobians.middleRows<3>(3 * p.finger) - model->jacobians.middleRows<3>(3 * p.thumb));
        }
        const Eigen::Map<const Eigen::VectorXd> xs(x, previous.size());
        return residuals.squaredNorm() + lambda * (xs - previous).squaredNorm() + rho * (xs - rest).squaredNorm();
    }

    double Objective::Cost(const double* x, double* gradient)
    {
        const double cost = Fill(x, gradient != nullptr);
        if (gradient != nullptr)
        {
            const Eigen::Map<const Eigen::VectorXd> xs(x, previous.size());
            Eigen::Map<Eigen::VectorXd> g(gradient, previous.size());
            g.noalias() = 2.0 * (jacobian.transpose().lazyProduct(residuals));
            g += 2.0 * (lambda * (xs - previous) + rho * (xs - rest));
        }
        return cost;
    }

    double Objective::Linearise(const double* x) { return Fill(x, true); }

    void Objective::AddQuadratic(const Eigen::VectorXd& x, Eigen::VectorXd& gradient, Eigen::MatrixXd& normal) const
    {
        gradient += lambda * (x - previous) + rho * (x - rest);
        normal.diagonal().array() += lambda + rho;
    }
}
