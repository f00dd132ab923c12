#include "NloptSolver.h"

namespace TSCore::Retarget::detail
{
    NloptSolver::~NloptSolver()
    {
        if (opt != nullptr)
            nlopt_destroy(opt);
    }

    bool NloptSolver::Setup(unsigned variables, const std::vector<double>& lower, const std::vector<double>& upper)
    {
        if (variables == 0)
            return true;
        opt = nlopt_create(NLOPT_LD_SLSQP, variables);
        return opt != nullptr && nlopt_set_lower_bounds(opt, lower.data()) == NLOPT_SUCCESS &&
               nlopt_set_upper_bounds(opt, upper.data()) == NLOPT_SUCCESS &&
               nlopt_set_min_objective(opt, &NloptSolver::Evaluate, this) == NLOPT_SUCCESS &&
               nlopt_set_xtol_abs1(opt, 1e-6) == NLOPT_SUCCESS && nlopt_set_ftol_rel(opt, 1e-12) == NLOPT_SUCCESS;
    }

    double NloptSolver::Evaluate(unsigned, const double* x, double* gradient, void* data)
    {
        NloptSolver* self = static_cast<NloptSolver*>(data);
        ++self->evaluations;
        return self->objective->Cost(x, gradient);
    }

    Retargeter::SolveStats NloptSolver::Solve(Objective& o, int iterations, Eigen::VectorXd& x)
    {
        Retargeter::SolveStats stats;
        if (opt == nullptr)
        {
            stats.cost = o.Cost(x.data(), nullptr);
            stats.converged = true;
            return stats;
        }
        objective = &o;
        evaluations = 0;
        nlopt_set_maxeval(opt, iterations);
        double cost = 0.0;
        const nlopt_result result = nlopt_optimize(opt, x.data(), &cost);
        stats.iterations = evaluations;
        stats.cost = cost;
        stats.converged = result > 0 && result != NLOPT_MAXEVAL_REACHED;
        return stats;
    }
}
