#pragma once

// Damped least squares (Levenberg-Marquardt) with the joint limits as a box: each step solves
// (J'J + lambda I + mu diag) dx = -g over the variables not held at a bound by the gradient
// (projected Newton), clips the step into the box and keeps it only when the objective falls;
// mu shrinks after a kept step and grows after a refused one. All storage is sized at setup.

#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include "Objective.h"
#include "TSCore/Retarget/Retargeter.h"

namespace TSCore::Retarget::detail
{
    class DlsSolver
    {
    public:
        void Setup(Eigen::Index rows, Eigen::Index variables);
        /// From x (inside the box) to the solution, in place.
        Retargeter::SolveStats Solve(Objective& objective, const std::vector<double>& lower,
                                     const std::vector<double>& upper, int iterations, Eigen::VectorXd& x);

    private:
        /// J'J into normal and J'r into gradient from the kept Jacobian and residuals.
        void Normal(const std::vector<std::vector<Eigen::Index>>& blocks);
        /// The damped step at x from the Jacobian and residuals kept for x.
        void Step(const Objective& objective, const std::vector<double>& lower, const std::vector<double>& upper,
                  const Eigen::VectorXd& x, double mu);

        Eigen::MatrixXd jacobian;
        Eigen::VectorXd residuals;
        Eigen::MatrixXd normal;
        Eigen::VectorXd gradient;
        Eigen::VectorXd step;
        Eigen::VectorXd trial;
        /// Per variable: 1 when held (at a bound), and the step it is held to.
        Eigen::VectorXd held;
        Eigen::VectorXd fixed;
        Eigen::VectorXd rhs;
        Eigen::MatrixXd reduced;
        Eigen::LLT<Eigen::MatrixXd> cholesky;
    };
}
