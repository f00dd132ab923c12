#include "UrdfLoader.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <vector>

#include <console_bridge/console.h>
#include <kdl/frames.hpp>
#include <kdl/joint.hpp>
#include <kdl/segment.hpp>
#include <tinyxml.h>
#include <urdf_parser/urdf_parser.h>

namespace TSCore::Retarget::detail
{
    namespace
    {
        /// Keeps urdfdom's error messages for our error text instead of letting them reach
        /// standard error.
        class CapturedErrors : public console_bridge::OutputHandler
        {
        public:
            void log(const std::string& text, console_bridge::LogLevel level, const char*, int) override
            {
                if (level >= console_bridge::CONSOLE_BRIDGE_LOG_ERROR && first.empty())
                    first = text;
            }
            std::string first;
        };

        /// urdfdom's parser, its messages captured. console_bridge's handler is process-wide,
        /// so parses take turns.
        urdf::ModelInterfaceSharedPtr Parse(const std::string& xml, std::string& message)
        {
            static std::mutex turn;
            const std::lock_guard<std::mutex> lock(turn);
            CapturedErrors capture;
            const console_bridge::LogLevel level = console_bridge::getLogLevel();
            console_bridge::setLogLevel(console_bridge::CONSOLE_BRIDGE_LOG_ERROR);
            console_bridge::useOutputHandler(&capture);
            urdf::ModelInterfaceSharedPtr model;
            try
            {
                model = urdf::parseURDF(xml);
            }
            catch (const std::exception& e)
            {
                capture.first = e.what();
                model.reset();
            }
            console_bridge::restorePreviousOutputHandler();
            console_bridge::setLogLevel(level);
            message = capture.first.empty() ? "not a valid URDF" : capture.first;
            return model;
        }

        /// Where XML that urdfdom refused stops being XML, as ":row" (urdfdom's message has no
        /// place); empty when the XML itself is well formed. TinyXML is urdfdom's own parser.
        std::string XmlErrorRow(const std::string& xml)
        {
            TiXmlDocument doc;
            doc.Parse(xml.c_str());
            return doc.Error() && doc.ErrorRow() > 0 ? ":" + std::to_string(doc.ErrorRow()) : std::string();
        }

        bool Finite(const urdf::Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

        /// What urdfdom lets through about one joint's numbers.
        std::string JointProblem(const urdf::Joint& j)
        {
            const urdf::Pose& o = j.parent_to_joint_origin_transform;
            if (!Finite(o.position) || !std::isfinite(o.rotation.x) || !std::isfinite(o.rotation.y) ||
                !std::isfinite(o.rotation.z) || !std::isfinite(o.rotation.w))
                return "origin is not finite";
            if (j.type == urdf::Joint::FIXED)
                return std::string();
            if (!Finite(j.axis) || std::sqrt(j.axis.x * j.axis.x + j.axis.y * j.axis.y + j.axis.z * j.axis.z) < 1e-9)
                return "axis must be a finite, non-zero vector";
            if (j.limits && (std::isnan(j.limits->lower) || std::isnan(j.limits->upper) ||
                             std::isnan(j.limits->velocity) || j.limits->velocity < 0.0))
                return "limit is not a number";
            if (j.limits && j.type != urdf::Joint::CONTINUOUS && j.limits->lower > j.limits->upper)
                return "lower limit is above the upper limit";
            if (j.mimic && (!std::isfinite(j.mimic->multiplier) || !std::isfinite(j.mimic->offset)))
                return "mimic multiplier and offset must be finite";
            return std::string();
        }

        /// A link with two parent joints, or links that the root does not reach (then they
        /// hang in a cycle of their own), make a loop: KDL and the solver need a tree.
        std::string LoopProblem(const urdf::ModelInterface& model)
        {
            std::map<std::string, std::string> parentJoint;
            for (const auto& [name, joint] : model.joints_)
            {
                const auto [it, added] = parentJoint.emplace(joint->child_link_name, name);
                if (!added)
                    return "kinematic loop: link '" + joint->child_link_name + "' is the child of joints '" +
                           it->second + "' and '" + name + "'";
            }
            std::set<std::string> reached;
            std::vector<urdf::LinkConstSharedPtr> stack{model.getRoot()};
            while (!stack.empty())
            {
                const urdf::LinkConstSharedPtr link = stack.back();
                stack.pop_back();
                if (!reached.insert(link->name).second)
                    return "kinematic loop through link '" + link->name + "'";
                for (const auto& child : link->child_links)
                    stack.push_back(child);
            }
            for (const auto& [name, link] : model.links_)
                if (reached.count(name) == 0)
                    return "kinematic loop: link '" + name + "' is not connected to the root link '" +
                           model.getRoot()->name + "'";
            return std::string();
        }

        KDL::Joint ToKdl(const urdf::Joint& j, const KDL::Frame& origin)
        {
            const KDL::Vector axis = origin.M * KDL::Vector(j.axis.x, j.axis.y, j.axis.z);
            switch (j.type)
            {
            case urdf::Joint::REVOLUTE:
            case urdf::Joint::CONTINUOUS:
                return KDL::Joint(j.name, origin.p, axis / axis.Norm(), KDL::Joint::RotAxis);
            case urdf::Joint::PRISMATIC:
                return KDL::Joint(j.name, origin.p, axis / axis.Norm(), KDL::Joint::TransAxis);
            default:
                // Fixed; floating and planar joints are held still (the robot model refuses
                // them between the base link and a matched link).
                return KDL::Joint(j.name, KDL::Joint::Fixed);
            }
        }

        bool BuildTree(const urdf::ModelInterface& model, KDL::Tree& tree)
        {
            tree = KDL::Tree(model.getRoot()->name);
            std::vector<urdf::LinkConstSharedPtr> stack{model.getRoot()};
            while (!stack.empty())
            {
                const urdf::LinkConstSharedPtr link = stack.back();
                stack.pop_back();
                for (const auto& joint : link->child_joints)
                {
                    const urdf::Pose& o = joint->parent_to_joint_origin_transform;
                    const KDL::Frame origin(
                        KDL::Rotation::Quaternion(o.rotation.x, o.rotation.y, o.rotation.z, o.rotation.w),
                        KDL::Vector(o.position.x, o.position.y, o.position.z));
                    if (!tree.addSegment(KDL::Segment(joint->child_link_name, ToKdl(*joint, origin), origin),
                                         link->name))
                        return false;
                }
                for (const auto& child : link->child_links)
                    stack.push_back(child);
            }
            return true;
        }

        bool ReadFile(const std::string& path, std::string& text, std::string& problem)
        {
            // A device or a pipe (/dev/zero) would never end.
            std::error_code ec;
            if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
            {
                problem = "not a regular file";
                return false;
            }
            std::ifstream in(path, std::ios::binary);
            if (!in)
            {
                problem = std::strerror(errno);
                return false;
            }
            std::ostringstream all;
            all << in.rdbuf();
            text = all.str();
            return true;
        }
    }

    bool LoadUrdf(const std::string& path, const std::string& where, LoadedUrdf& out, std::string& error)
    {
        out.path = path;
        out.name = path;
        std::string xml;
        std::string problem;
        if (!ReadFile(path, xml, problem))
        {
            error = where + ": cannot read '" + path + "': " + problem;
            return false;
        }
        out.model = Parse(xml, problem);
        if (!out.model)
        {
            error = out.name + XmlErrorRow(xml) + ": " + problem;
            return false;
        }
        for (const auto& [name, joint] : out.model->joints_)
        {
            const std::string p = JointProblem(*joint);
            if (!p.empty())
            {
                error = out.name + ": joint '" + name + "': " + p;
                return false;
            }
        }
        problem = LoopProblem(*out.model);
        if (problem.empty() && !BuildTree(*out.model, out.tree))
            problem = "cannot build the kinematic tree";
        if (!problem.empty())
        {
            // urdfdom links each link to its children by shared pointers: a loop would keep
            // its links alive for ever.
            for (const auto& [name, link] : out.model->links_)
            {
                link->child_links.clear();
                link->child_joints.clear();
                link->parent_joint.reset();
            }
            out.model.reset();
            error = out.name + ": " + problem;
            return false;
        }
        return true;
    }
}
