#include "DlsSolver.h"

#include <algorithm>

namespace TSCore::Retarget::detail
{
    namespace
    {
        constexpr double stepTolerance = 1e-5; // rad (or m): a step this small changes nothing that shows
        constexpr double muStart = 1e-3;
        constexpr double muMin = 1e-9;
        constexpr double muMax = 1e6;
    }

    void DlsSolver::Setup(Eigen::Index rows, Eigen::Index variables)
    {
        jacobian = Eigen::MatrixXd::Zero(rows, variables);
        residuals = Eigen::VectorXd::Zero(rows);
        normal = Eigen::MatrixXd::Zero(variables, variables);
        gradient = Eigen::VectorXd::Zero(variables);
        step = gradient;
        trial = gradient;
        fixed = gradient;
        held = gradient;
        rhs = gradient;
        reduced = normal;
        // Sizes the factorisation's storage once (a moved-from LLT(size) would carry an unset
        // status).
        cholesky.compute(Eigen::MatrixXd::Identity(variables, variables));
    }

    void DlsSolver::Normal(const std::vector<std::vector<Eigen::Index>>& blocks)
    {
        // J'J and J'r block by block: each block of three rows has only its own variables'
        // columns, a few of all.
        normal.setZero();
        gradient.setZero();
        for (std::size_t b = 0; b < blocks.size(); ++b)
        {
            const Eigen::Index row = 3 * static_cast<Eigen::Index>(b);
            const auto r = residuals.segment<3>(row);
            const std::vector<Eigen::Index>& vars = blocks[b];
            for (std::size_t i = 0; i < vars.size(); ++i)
            {
                const auto ci = jacobian.col(vars[i]).segment<3>(row);
                gradient[vars[i]] += ci.dot(r);
                for (std::size_t j = i; j < vars.size(); ++j)
                    normal(vars[i], vars[j]) += ci.dot(jacobian.col(vars[j]).segment<3>(row));
            }
        }
        for (Eigen::Index i = 1; i < normal.rows(); ++i)
            for (Eigen::Index j = 0; j < i; ++j)
                normal(i, j) = normal(j, i);
    }

    void DlsSolver::Step(const Objective& objective, const std::vector<double>& lower, const std::vector<double>& upper,
                         const Eigen::VectorXd& x, double mu)
    {
        Normal(objective.BlockVariables());
        objective.AddQuadratic(x, gradient, normal);
        normal.diagonal() *= 1.0 + mu;
        normal.diagonal().array() += 1e-12;
        // A variable at a bound that the gradient pushes further out stays there; one that
        // the step would take past a bound stops at it, and the others are solved again
        // with those held (a few passes at most: each one holds another variable).
        fixed.setZero();
        held.setZero();
        for (Eigen::Index i = 0; i < x.size(); ++i)
        {
            const std::size_t k = static_cast<std::size_t>(i);
            held[i] = (x[i] <= lower[k] && gradient[i] > 0.0) || (x[i] >= upper[k] && gradient[i] < 0.0);
        }
        for (Eigen::Index pass = 0; pass <= x.size(); ++pass)
        {
            reduced = normal;
            rhs.noalias() = -gradient - normal * fixed;
            for (Eigen::Index i = 0; i < x.size(); ++i)
                if (held[i] != 0.0)
                {
                    reduced.row(i).setZero();
                    reduced.col(i).setZero();
                    reduced(i, i) = 1.0;
                    rhs[i] = fixed[i];
                }
            cholesky.compute(reduced);
            step = cholesky.solve(rhs);
            bool more = false;
            for (Eigen::Index i = 0; i < x.size(); ++i)
            {
                const std::size_t k = static_cast<std::size_t>(i);
                const double to = x[i] + step[i];
                if (held[i] == 0.0 && (to < lower[k] || to > upper[k]))
                {
                    held[i] = 1.0;
                    fixed[i] = (to < lower[k] ? lower[k] : upper[k]) - x[i];
                    more = true;
                }
            }
            if (!more)
                break;
        }
        for (Eigen::Index i = 0; i < x.size(); ++i)
        {
            const std::size_t k = static_cast<std::size_t>(i);
            trial[i] = std::clamp(x[i] + step[i], lower[k], upper[k]);
        }
    }

    Retargeter::SolveStats DlsSolver::Solve(Objective& objective, const std::vector<double>& lower,
                                            const std::vector<double>& upper, int iterations, Eigen::VectorXd& x)
    {
        Retargeter::SolveStats stats;
        double cost = objective.Linearise(x.data());
        jacobian = objective.Jacobian();
        residuals = objective.Residuals();
        double mu = muStart;
        while (stats.iterations < iterations && x.size() > 0)
        {
            ++stats.iterations;
            Step(objective, lower, upper, x, mu);
            const double moved = (trial - x).cwiseAbs().maxCoeff();
            if (moved < stepTolerance)
            {
                stats.converged = true;
                break;
            }
            const double trialCost = objective.Linearise(trial.data());
            if (trialCost < cost)
            {
                x = trial;
                cost = trialCost;
                jacobian = objective.Jacobian();
                residuals = objective.Residuals();
                mu = std::max(mu / 3.0, muMin);
            }
            else if ((mu *= 4.0) > muMax)
            {
                stats.converged = true; // no step lowers the objective: a minimum within rounding
                break;
            }
        }
        stats.converged = stats.converged || x.size() == 0;
        stats.cost = cost;
        return stats;
    }
}
