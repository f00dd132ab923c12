#include "RobotModel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <utility>

namespace TSCore::Retarget::detail
{
    namespace
    {
        constexpr double infinity = std::numeric_limits<double>::infinity();

        bool Movable(const urdf::Joint& j)
        {
            return j.type == urdf::Joint::REVOLUTE || j.type == urdf::Joint::CONTINUOUS ||
                   j.type == urdf::Joint::PRISMATIC;
        }

        Retargeter::JointType TypeOf(const urdf::Joint& j)
        {
            if (j.type == urdf::Joint::CONTINUOUS)
                return Retargeter::JointType::Continuous;
            return j.type == urdf::Joint::PRISMATIC ? Retargeter::JointType::Prismatic
                                                    : Retargeter::JointType::Revolute;
        }

        /// The joints from base down to link, base first; false when link is not below base.
        bool JointsBetween(const urdf::ModelInterface& model, const std::string& base, const std::string& link,
                           std::vector<urdf::JointConstSharedPtr>& out)
        {
            out.clear();
            urdf::LinkConstSharedPtr l = model.getLink(link);
            while (l && l->name != base)
            {
                if (!l->parent_joint)
                    return false;
                out.push_back(l->parent_joint);
                l = model.getLink(l->parent_joint->parent_link_name);
            }
            std::reverse(out.begin(), out.end());
            return l != nullptr;
        }
    }

    int RobotModel::JointIndex(const std::string& name) const
    {
        for (std::size_t i = 0; i < joints.size(); ++i)
            if (joints[i].info.name == name)
                return static_cast<int>(i);
        return -1;
    }

    bool RobotModel::Build(const RetargetConfig& config, LoadedUrdf loaded, std::string& error)
    {
        urdf = std::move(loaded);
        baseLink = config.baseLink.name;
        robotName = urdf.model->getName();
        if (!urdf.model->getLink(config.baseLink.name))
        {
            error = config.baseLink.where + ": no link '" + config.baseLink.name + "' in " + urdf.name;
            return false;
        }
        return MatchLinks(config, error) && OrderJoints(config, error) && ResolveMimics(error) &&
               SetLimits(config, error) && BuildChains(error);
    }

    bool RobotModel::MatchLinks(const RetargetConfig& config, std::string& error)
    {
        std::vector<urdf::JointConstSharedPtr> between;
        for (int d = 0; d < fingerCount; ++d)
            for (const LinkTarget& target : config.digits[std::size_t(d)].links)
            {
                const std::string& name = target.link.name;
                if (!urdf.model->getLink(name))
                    error = target.link.where + ": no link '" + name + "' in " + urdf.name;
                else if (name == config.baseLink.name)
                    error = target.link.where + ": '" + name + "' is the base link itself";
                else if (!JointsBetween(*urdf.model, config.baseLink.name, name, between))
                    error = target.link.where + ": link '" + name + "' is not below the base link '" +
                            config.baseLink.name + "' in " + urdf.name;
                for (const auto& j : between)
                    if (error.empty() && j->type != urdf::Joint::FIXED && !Movable(*j))
                        error = target.link.where + ": joint '" + j->name + "' above link '" + name +
                                "' is floating or planar; only revolute, continuous, prismatic and fixed joints "
                                "are supported";
                if (!error.empty())
                    return false;
                Retargeter::LinkMatch match;
                match.digit = static_cast<Finger>(d);
                match.link = name;
                match.point = target.point;
                match.weight = target.weight;
                mapping.push_back(match);
            }
        return true;
    }

    bool RobotModel::OrderJoints(const RetargetConfig& config, std::string&)
    {
        const auto add = [this](const urdf::Joint& j, unsigned digits)
        {
            if (!Movable(j))
                return;
            const int known = JointIndex(j.name);
            if (known >= 0)
            {
                digitMasks[std::size_t(known)] |= digits;
                return;
            }
            digitMasks.push_back(digits);
            ModelJoint m;
            m.info.name = j.name;
            m.info.type = TypeOf(j);
            const bool bounded = j.type != urdf::Joint::CONTINUOUS && j.limits;
            m.info.lower = bounded ? j.limits->lower : -infinity;
            m.info.upper = bounded ? j.limits->upper : infinity;
            m.info.velocity = j.limits ? j.limits->velocity : 0.0;
            if (j.mimic)
            {
                m.info.mimics = j.mimic->joint_name;
                m.info.multiplier = j.mimic->multiplier;
                m.info.offset = j.mimic->offset;
            }
            joints.push_back(m);
        };
        // The digits' joints first, thumb first and each from the base outwards, then the rest.
        std::vector<urdf::JointConstSharedPtr> between;
        for (const Retargeter::LinkMatch& m : mapping)
        {
            JointsBetween(*urdf.model, config.baseLink.name, m.link, between);
            for (const auto& j : between)
                add(*j, 1u << static_cast<unsigned>(m.digit));
        }
        std::vector<urdf::LinkConstSharedPtr> stack{urdf.model->getRoot()};
        while (!stack.empty())
        {
            const urdf::LinkConstSharedPtr link = stack.back();
            stack.pop_back();
            for (const auto& j : link->child_joints)
                add(*j, 0u);
            for (auto it = link->child_links.rbegin(); it != link->child_links.rend(); ++it)
                stack.push_back(*it);
        }
        return true;
    }

    bool RobotModel::ResolveMimics(std::string& error)
    {
        // leader[i]: the joint that finally drives joint i, with i = multiplier * leader + offset.
        for (std::size_t i = 0; i < joints.size(); ++i)
        {
            ModelJoint& j = joints[i];
            std::size_t at = i;
            double multiplier = 1.0;
            double offset = 0.0;
            for (std::size_t steps = 0; !joints[at].info.mimics.empty(); ++steps)
            {
                const int next = JointIndex(joints[at].info.mimics);
                if (next < 0 || steps >= joints.size())
                {
                    error = urdf.name + ": joint '" + joints[at].info.name + "' mimics '" + joints[at].info.mimics +
                            (next < 0 ? "', which is not a movable joint" : "': the mimic joints form a loop");
                    return false;
                }
                offset = multiplier * joints[at].info.offset + offset;
                multiplier *= joints[at].info.multiplier;
                at = static_cast<std::size_t>(next);
            }
            j.variable = static_cast<int>(at); // the leader's joint index for now
            j.multiplier = multiplier;
            j.offset = offset;
        }
        return true;
    }
}

namespace TSCore::Retarget::detail
{
    namespace
    {
        /// The limits less the margin; a margin wider than half the range leaves the middle.
        void ApplyMargin(Retargeter::JointInfo& j, double margin)
        {
            if (j.type == Retargeter::JointType::Continuous)
            {
                j.solveLower = j.lower;
                j.solveUpper = j.upper;
                return;
            }
            j.solveLower = j.lower + margin;
            j.solveUpper = j.upper - margin;
            if (j.solveLower > j.solveUpper)
                j.solveLower = j.solveUpper = 0.5 * (j.lower + j.upper);
        }

        /// Narrows [lo, hi] of a leader to where multiplier * leader + offset stays in
        /// [followerLo, followerHi]; false when nothing is left.
        bool Narrow(double multiplier, double offset, double followerLo, double followerHi, double& lo, double& hi)
        {
            if (multiplier == 0.0)
                return offset >= followerLo && offset <= followerHi;
            double a = (followerLo - offset) / multiplier;
            double b = (followerHi - offset) / multiplier;
            if (multiplier < 0.0)
                std::swap(a, b);
            lo = std::max(lo, a);
            hi = std::min(hi, b);
            return lo <= hi;
        }

        double Clamp(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }
    }

    bool RobotModel::SetLimits(const RetargetConfig& config, std::string& error)
    {
        std::vector<double> margins(joints.size(), config.margin);
        for (const JointMargin& m : config.jointMargins)
        {
            const int i = JointIndex(m.joint.name);
            if (i < 0)
            {
                error = m.joint.where + ": no movable joint '" + m.joint.name + "' in " + urdf.name;
                return false;
            }
            margins[std::size_t(i)] = m.margin;
        }
        for (std::size_t i = 0; i < joints.size(); ++i)
            ApplyMargin(joints[i].info, margins[i]);
        // A leader gets a variable when it or a joint that follows it moves a matched link.
        std::vector<unsigned> leaderMask(joints.size(), 0u);
        for (std::size_t i = 0; i < joints.size(); ++i)
            leaderMask[std::size_t(joints[i].variable)] |= digitMasks[i];
        std::vector<int> variableOf(joints.size(), -1);
        for (std::size_t i = 0; i < joints.size(); ++i)
        {
            Retargeter::JointInfo& leader = joints[i].info;
            if (!leader.mimics.empty())
                continue;
            double lo = leader.solveLower;
            double hi = leader.solveUpper;
            for (const ModelJoint& f : joints)
                if (static_cast<std::size_t>(f.variable) == i && &f.info != &leader &&
                    !Narrow(f.multiplier, f.offset, f.info.solveLower, f.info.solveUpper, lo, hi))
                {
                    error = urdf.name + ": joint '" + f.info.name + "' mimics '" + f.info.mimics +
                            "': no position of '" + leader.name + "' keeps both within their limits less the margins";
                    return false;
                }
            leader.solveLower = lo;
            leader.solveUpper = hi;
            const double rest = Clamp(0.0, lo, hi);
            joints[i].rest = rest;
            if (leaderMask[i] != 0u)
            {
                variableOf[i] = static_cast<int>(lower.size());
                lower.push_back(lo);
                upper.push_back(hi);
                this->rest.push_back(rest);
            }
        }
        AssignVariables(leaderMask, variableOf);
        return true;
    }

    void RobotModel::AssignVariables(const std::vector<unsigned>& leaderMask, const std::vector<int>& variableOf)
    {
        speed.assign(lower.size(), 0.0);
        for (ModelJoint& j : joints)
        {
            const std::size_t leader = static_cast<std::size_t>(j.variable);
            const int v = variableOf[leader];
            if (v >= 0 && j.info.velocity > 0.0 && j.multiplier != 0.0)
            {
                const double s = j.info.velocity / std::fabs(j.multiplier);
                double& least = speed[std::size_t(v)];
                least = least > 0.0 ? std::min(least, s) : s;
            }
            const unsigned mask = leaderMask[leader];
            j.rest = j.multiplier * joints[leader].rest + j.offset;
            j.variable = v;
            j.info.digit = -1;
            for (int d = 0; d < fingerCount; ++d)
                if (mask == (1u << d))
                    j.info.digit = d;
        }
    }

    bool RobotModel::OnChain(const std::string& link, PointRef& out) const
    {
        for (std::size_t c = 0; c < chains.size(); ++c)
        {
            const KDL::Chain& chain = chains[c]->chain;
            std::size_t joints = 0;
            for (unsigned s = 0; s < chain.getNrOfSegments(); ++s)
            {
                const KDL::Segment& segment = chain.getSegment(s);
                joints += segment.getJoint().getType() == KDL::Joint::Fixed ? 0u : 1u;
                if (segment.getName() == link)
                {
                    out = {c, s, joints};
                    return true;
                }
            }
        }
        return false;
    }

    bool RobotModel::AddChain(const std::string& link, std::string& error)
    {
        auto pc = std::make_unique<PointChain>();
        if (!urdf.tree.getChain(baseLink, link, pc->chain))
        {
            error = urdf.name + ": no chain from '" + baseLink + "' to '" + link + "'";
            return false;
        }
        for (unsigned s = 0; s < pc->chain.getNrOfSegments(); ++s)
        {
            const KDL::Joint& kj = pc->chain.getSegment(s).getJoint();
            if (kj.getType() != KDL::Joint::Fixed)
                pc->joints.push_back(JointIndex(kj.getName()));
        }
        pc->q = KDL::JntArray(pc->chain.getNrOfJoints());
        pc->jacobian = KDL::Jacobian(pc->chain.getNrOfJoints());
        pc->frames.resize(pc->chain.getNrOfSegments());
        pc->fk = std::make_unique<KDL::ChainFkSolverPos_recursive>(pc->chain);
        pc->jac = std::make_unique<KDL::ChainJntToJacSolver>(pc->chain);
        chains.push_back(std::move(pc));
        return true;
    }

    bool RobotModel::BuildChains(std::string& error)
    {
        // Tips first (each digit's first entry), so that links above a tip share its chain.
        for (int pass = 0; pass < 2; ++pass)
            for (std::size_t i = 0; i < mapping.size(); ++i)
            {
                const bool tip = i == 0 || mapping[i - 1].digit != mapping[i].digit;
                PointRef ref;
                if ((pass == 0) == tip && !OnChain(mapping[i].link, ref) && !AddChain(mapping[i].link, error))
                    return false;
            }
        for (const Retargeter::LinkMatch& m : mapping)
        {
            PointRef ref;
            OnChain(m.link, ref);
            refs.push_back(ref);
            std::vector<Eigen::Index> variables;
            const PointChain& pc = *chains[ref.chain];
            for (std::size_t k = 0; k < ref.joints; ++k)
            {
                const int v = joints[std::size_t(pc.joints[k])].variable;
                if (v >= 0 && std::find(variables.begin(), variables.end(), v) == variables.end())
                    variables.push_back(v);
            }
            std::sort(variables.begin(), variables.end());
            pointVariables.push_back(variables);
        }
        positions = Eigen::Matrix3Xd::Zero(3, static_cast<Eigen::Index>(mapping.size()));
        jacobians = Eigen::MatrixXd::Zero(3 * static_cast<Eigen::Index>(mapping.size()), Variables());
        BuildDrawLinks(baseLink);
        return true;
    }

    void RobotModel::BuildDrawLinks(const std::string& base)
    {
        // Depth first from the base link: a parent always comes before its children.
        std::vector<std::pair<KDL::SegmentMap::const_iterator, int>> stack{{urdf.tree.getSegment(base), -1}};
        while (!stack.empty())
        {
            const auto [it, parent] = stack.back();
            stack.pop_back();
            const KDL::Segment& segment = GetTreeElementSegment(it->second);
            const int index = static_cast<int>(links.size());
            links.push_back({it->first, parent});
            DrawLink draw;
            // The base link is the frame of the drawing: its own segment is not applied.
            draw.segment = parent < 0 ? KDL::Segment(it->first) : segment;
            draw.joint =
                segment.getJoint().getType() == KDL::Joint::Fixed ? -1 : JointIndex(segment.getJoint().getName());
            drawLinks.push_back(draw);
            const auto& children = GetTreeElementChildren(it->second);
            for (auto c = children.rbegin(); c != children.rend(); ++c)
                stack.push_back({*c, index});
        }
    }

    double RobotModel::JointPosition(const ModelJoint& j, const double* x) const
    {
        return j.variable >= 0 ? j.multiplier * x[j.variable] + j.offset : j.rest;
    }

    void RobotModel::Evaluate(const double* x, bool jacobian)
    {
        for (const auto& c : chains)
        {
            PointChain& pc = *c;
            for (std::size_t k = 0; k < pc.joints.size(); ++k)
                pc.q(static_cast<unsigned>(k)) = JointPosition(joints[std::size_t(pc.joints[k])], x);
            pc.fk->JntToCart(pc.q, pc.frames);
            if (jacobian)
                pc.jac->JntToJac(pc.q, pc.jacobian);
        }
        if (jacobian)
            jacobians.setZero();
        for (std::size_t i = 0; i < refs.size(); ++i)
        {
            const PointRef& ref = refs[i];
            const PointChain& pc = *chains[ref.chain];
            const KDL::Vector& p = pc.frames[ref.segment].p;
            const Eigen::Index row = 3 * static_cast<Eigen::Index>(i);
            positions.col(static_cast<Eigen::Index>(i)) << p.x(), p.y(), p.z();
            if (!jacobian)
                continue;
            // The chain's Jacobian is taken at its end; a link above it moves by the same
            // twists, referred to its own origin, and only with the joints above it.
            const KDL::Vector toPoint = p - pc.frames.back().p;
            for (std::size_t k = 0; k < ref.joints; ++k)
            {
                const ModelJoint& j = joints[std::size_t(pc.joints[k])];
                if (j.variable < 0)
                    continue;
                const KDL::Vector v = pc.jacobian.getColumn(static_cast<unsigned>(k)).RefPoint(toPoint).vel;
                jacobians.block<3, 1>(row, j.variable) += j.multiplier * Eigen::Vector3d(v.x(), v.y(), v.z());
            }
        }
    }

    void RobotModel::JointPositions(const double* x, double* out) const
    {
        for (std::size_t i = 0; i < joints.size(); ++i)
            out[i] = JointPosition(joints[i], x);
    }

    void RobotModel::LinkOrigins(const double* x, std::vector<KDL::Vector>& out) const
    {
        out.resize(drawLinks.size());
        // Frames in link order; parents come first, so one pass does.
        frames.resize(drawLinks.size());
        for (std::size_t i = 0; i < drawLinks.size(); ++i)
        {
            const DrawLink& d = drawLinks[i];
            const double q = d.joint >= 0 ? JointPosition(joints[std::size_t(d.joint)], x) : 0.0;
            const KDL::Frame local = d.segment.pose(q);
            frames[i] = links[i].parent < 0 ? KDL::Frame::Identity() : frames[std::size_t(links[i].parent)] * local;
            out[i] = frames[i].p;
        }
    }
}
