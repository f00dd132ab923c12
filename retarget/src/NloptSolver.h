#pragma once

// NLopt's SLSQP on the same objective, with the gradient from the links' Jacobians and the
// joint limits as bounds. NLopt sizes its own work space on every run.

#include <vector>

#include <Eigen/Core>
#include <nlopt.h>

#include "Objective.h"
#include "TSCore/Retarget/Retargeter.h"

namespace TSCore::Retarget::detail
{
    class NloptSolver
    {
    public:
        NloptSolver() = default;
        NloptSolver(const NloptSolver&) = delete;
        NloptSolver& operator=(const NloptSolver&) = delete;
        ~NloptSolver();

        /// False when NLopt cannot set up the problem.
        bool Setup(unsigned variables, const std::vector<double>& lower, const std::vector<double>& upper);
        Retargeter::SolveStats Solve(Objective& objective, int iterations, Eigen::VectorXd& x);

    private:
        static double Evaluate(unsigned n, const double* x, double* gradient, void* data);

        nlopt_opt opt = nullptr;
        Objective* objective = nullptr;
        int evaluations = 0;
    };
}
