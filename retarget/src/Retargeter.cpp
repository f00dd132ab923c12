#include "TSCore/Retarget/Retargeter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Diagnostics/Log.h"
#include "DlsSolver.h"
#include "NloptSolver.h"
#include "Objective.h"
#include "OneEuroFilter.h"
#include "RetargetConfig.h"
#include "RobotModel.h"
#include "UrdfLoader.h"

namespace TSCore::Retarget
{
    namespace
    {
        /// The glove's period: the time step of a solve whose time does not advance.
        constexpr double nominalStep = 0.001;
        /// Longer gaps count as this much, so the filter restarts from a settled state.
        constexpr double longestStep = 1.0;
    }

    class Retargeter::Impl
    {
    public:
        bool Build(std::string path, detail::RetargetConfig c, std::string& error);
        bool ResolveEffort(std::string& error);
        bool Solve(const HandPose& pose, double time, RobotJoints& out);
        void Reset();
        void Write(RobotJoints& out) const;
        Kinematics::Vect3D ToHand(const Eigen::Vector3d& base) const;

        std::string configPath;
        detail::RetargetConfig config;
        detail::RobotModel model;
        detail::Objective objective;
        detail::DlsSolver dls;
        detail::NloptSolver nlopt;
        detail::OneEuroFilter filter;
        std::vector<JointInfo> joints;
        std::vector<std::string> names;
        /// Per variable: the raw solution (warm start and regularisation of the next solve),
        /// what was given out (filtered, within the velocity limits), and room for the next.
        Eigen::VectorXd x;
        Eigen::VectorXd trial;
        std::vector<double> output;
        std::vector<double> filtered;
        bool solved = false;
        double lastTime = 0.0;
        SolveStats stats;
        std::vector<KDL::Vector> origins;
        EffortFeedback effort;
    };

    bool Retargeter::Impl::Build(std::string path, detail::RetargetConfig c, std::string& error)
    {
        configPath = std::move(path);
        config = std::move(c);
        detail::LoadedUrdf urdf;
        if (!detail::LoadUrdf(config.urdfPath, config.urdfWhere, urdf, error) ||
            !model.Build(config, std::move(urdf), error) || !objective.Setup(config, model, error))
            return false;
        const Eigen::Index n = model.Variables();
        dls.Setup(objective.Residuals().size(), n);
        if (config.solver == Solver::Slsqp && !nlopt.Setup(static_cast<unsigned>(n), model.lower, model.upper))
        {
            error = config.name + ": NLopt cannot set up SLSQP for " + std::to_string(n) + " joints";
            return false;
        }
        filter.Setup(config.filter, static_cast<std::size_t>(n));
        for (const detail::ModelJoint& j : model.joints)
        {
            joints.push_back(j.info);
            names.push_back(j.info.name);
        }
        filtered = model.rest;
        Reset();
        return ResolveEffort(error);
    }

    bool Retargeter::Impl::ResolveEffort(std::string& error)
    {
        const detail::EffortConfig& wanted = config.effort;
        effort.topic = wanted.present ? wanted.topic : std::string();
        const std::string& urdfName = config.urdfPath;
        for (int d = 0; d < fingerCount && wanted.present; ++d)
        {
            const detail::EffortDigitConfig& c = wanted.digits[std::size_t(d)];
            if (!c.present)
                continue;
            EffortFeedback::Digit digit{static_cast<Finger>(d), {}, c.minEffort, c.maxEffort};
            for (const detail::NamedRef& name : c.joints)
            {
                if (std::none_of(joints.begin(), joints.end(), [&](const JointInfo& j) { return j.name == name.name; }))
                {
                    error = name.where + ": no movable joint '" + name.name + "' in " + urdfName;
                    return false;
                }
                digit.joints.push_back(name.name);
            }
            for (const JointInfo& j : joints)
                if (c.joints.empty() && j.digit == d)
                    digit.joints.push_back(j.name);
            if (digit.joints.empty())
            {
                error = c.where + ": no joint of " + urdfName + " moves this digit's links; name its joints";
                return false;
            }
            effort.digits.push_back(std::move(digit));
        }
        return true;
    }

    void Retargeter::Impl::Reset()
    {
        x = Eigen::Map<const Eigen::VectorXd>(model.rest.data(), model.Variables());
        trial = x;
        output = model.rest;
        objective.SetPrevious(x.data(), false);
        filter.Reset();
        solved = false;
        stats = SolveStats();
    }

    bool Retargeter::Impl::Solve(const HandPose& pose, double time, RobotJoints& out)
    {
        if (!std::isfinite(time) || !objective.SetTargets(pose))
            return false;
        objective.SetPrevious(x.data(), solved);
        trial = x;
        const SolveStats s = config.solver == Solver::Slsqp
                                 ? nlopt.Solve(objective, config.iterations, trial)
                                 : dls.Solve(objective, model.lower, model.upper, config.iterations, trial);
        if (!trial.allFinite())
            return false;
        x = trial;
        stats = s;
        std::copy(x.data(), x.data() + x.size(), filtered.begin());
        double dt = solved ? time - lastTime : nominalStep;
        dt = dt > 0.0 ? std::min(dt, longestStep) : nominalStep;
        filter.Apply(filtered.data(), dt);
        for (std::size_t i = 0; i < output.size(); ++i)
        {
            // The URDF's velocity limits bound every step, whatever the solution did.
            double v = filtered[i];
            const double most = model.speed[i] * dt;
            if (solved && most > 0.0)
                v = std::clamp(v, output[i] - most, output[i] + most);
            output[i] = std::clamp(v, model.lower[i], model.upper[i]);
        }
        solved = true;
        lastTime = time;
        Write(out);
        return true;
    }

    void Retargeter::Impl::Write(RobotJoints& out) const
    {
        if (out.names != names)
            out.names = names;
        out.positions.resize(joints.size());
        model.JointPositions(output.data(), out.positions.data());
        // Rounding in a mimic joint's multiplier must not take it past its limit.
        for (std::size_t i = 0; i < joints.size(); ++i)
            out.positions[i] = std::clamp(out.positions[i], joints[i].solveLower, joints[i].solveUpper);
    }

    Kinematics::Vect3D Retargeter::Impl::ToHand(const Eigen::Vector3d& base) const
    {
        const Eigen::Vector3d h = objective.Rotation().transpose() * (base - objective.Wrist()) * 1000.0;
        return Kinematics::Vect3D(static_cast<float>(h.x()), static_cast<float>(h.y()), static_cast<float>(h.z()));
    }

    std::unique_ptr<Retargeter> Retargeter::Create(const std::string& path, const std::string& text,
                                                   const std::string& name, const std::string& directory,
                                                   std::string& error)
    {
        try
        {
            detail::RetargetConfig config;
            auto impl = std::make_unique<Impl>();
            if (detail::ReadRetargetConfig(text, name, directory, config, error) &&
                impl->Build(path, std::move(config), error))
                return std::unique_ptr<Retargeter>(new Retargeter(std::move(impl)));
        }
        catch (const std::exception& e)
        {
            error = name + ": " + e.what();
        }
        catch (...)
        {
            error = name + ": unknown error";
        }
        TSCORE_LOG(Errors, "Retargeter: " + error);
        return nullptr;
    }

    Retargeter::Retargeter(std::unique_ptr<Impl> i) : impl(std::move(i)) {}
    Retargeter::Retargeter(Retargeter&&) noexcept = default;
    Retargeter& Retargeter::operator=(Retargeter&&) noexcept = default;
    Retargeter::~Retargeter() = default;

    std::unique_ptr<Retargeter> Retargeter::Load(const std::string& configPath, std::string& error)
    {
        error.clear();
        std::error_code ec;
        if (std::filesystem::exists(configPath, ec) && !std::filesystem::is_regular_file(configPath, ec))
        {
            error = configPath + ": cannot read: not a regular file";
            return nullptr;
        }
        std::ifstream in(configPath, std::ios::binary);
        if (!in)
        {
            error = configPath + ": cannot read: " + std::strerror(errno);
            return nullptr;
        }
        std::ostringstream text;
        text << in.rdbuf();
        const std::string directory = std::filesystem::path(configPath).parent_path().string();
        return Create(configPath, text.str(), configPath, directory, error);
    }

    std::unique_ptr<Retargeter> Retargeter::FromText(const std::string& yaml, const std::string& directory,
                                                     std::string& error)
    {
        error.clear();
        return Create(std::string(), yaml, "<text>", directory, error);
    }

    bool Retargeter::Solve(const HandPose& pose, double timeSeconds, RobotJoints& out)
    {
        return impl->Solve(pose, timeSeconds, out);
    }

    bool Retargeter::Solve(const HandPose& pose, RobotJoints& out)
    {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return impl->Solve(pose, std::chrono::duration<double>(now).count(), out);
    }

    void Retargeter::Reset() { impl->Reset(); }
    void Retargeter::Solution(RobotJoints& out) const { impl->Write(out); }
    const std::vector<Retargeter::JointInfo>& Retargeter::Joints() const { return impl->joints; }
    const std::vector<Retargeter::LinkMatch>& Retargeter::Mapping() const { return impl->model.mapping; }
    const std::vector<Retargeter::Link>& Retargeter::Links() const { return impl->model.links; }

    void Retargeter::LinkPositions(std::vector<Kinematics::Vect3D>& out) const
    {
        impl->model.LinkOrigins(impl->output.data(), impl->origins);
        out.resize(impl->origins.size());
        for (std::size_t i = 0; i < out.size(); ++i)
        {
            const KDL::Vector& p = impl->origins[i];
            out[i] = impl->ToHand(Eigen::Vector3d(p.x(), p.y(), p.z()));
        }
    }

    void Retargeter::MatchedPositions(std::vector<Kinematics::Vect3D>& robot,
                                      std::vector<Kinematics::Vect3D>& target) const
    {
        impl->model.Evaluate(impl->output.data(), false);
        const Eigen::Index n = impl->model.positions.cols();
        robot.resize(static_cast<std::size_t>(n));
        target.resize(impl->solved ? static_cast<std::size_t>(n) : 0u);
        for (Eigen::Index i = 0; i < n; ++i)
        {
            robot[std::size_t(i)] = impl->ToHand(impl->model.positions.col(i));
            if (impl->solved)
                target[std::size_t(i)] = impl->ToHand(impl->objective.Targets().col(i));
        }
    }

    Retargeter::SolveStats Retargeter::LastStats() const { return impl->stats; }
    const Retargeter::EffortFeedback& Retargeter::Effort() const { return impl->effort; }
    Retargeter::Solver Retargeter::SolverInUse() const { return impl->config.solver; }
    const std::string& Retargeter::ConfigPath() const { return impl->configPath; }
    const std::string& Retargeter::UrdfPath() const { return impl->config.urdfPath; }
    const std::string& Retargeter::RobotName() const { return impl->model.robotName; }
    const std::string& Retargeter::BaseLink() const { return impl->config.baseLink.name; }
    bool Retargeter::IsRight() const { return impl->config.right; }
}
