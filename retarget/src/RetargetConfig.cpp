#include "RetargetConfig.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <initializer_list>
#include <utility>

#include <yaml-cpp/yaml.h>

namespace TSCore::Retarget::detail
{
    namespace
    {
        constexpr const char* digitKeys[fingerCount] = {"thumb", "index", "middle", "ring", "pinky"};
        // The points a link may stand for besides the tip, by HandPose::jointPositions index.
        constexpr const char* thumbPoints[3] = {"CMC", "MCP", "IP"};
        constexpr const char* fingerPoints[3] = {"MCP", "PIP", "DIP"};

        enum class Range
        {
            Any,
            NonNegative,
            Positive,
        };

        class Reader
        {
        public:
            explicit Reader(const std::string& name) : name(name) {}

            std::string Where(const YAML::Node& node, const std::string& element) const
            {
                const YAML::Mark mark = node.Mark();
                return name + (mark.line >= 0 ? ":" + std::to_string(mark.line + 1) : std::string()) + ": " +
                       (element.empty() ? "configuration" : element);
            }

            bool Fail(const YAML::Node& node, const std::string& element, const std::string& problem)
            {
                error = Where(node, element) + ": " + problem;
                return false;
            }

            /// Every key of the map is one of keys: a misspelt field must not pass for a default.
            bool Map(const YAML::Node& node, const std::string& element, std::initializer_list<const char*> keys)
            {
                if (!node.IsMap())
                    return Fail(node, element, "must be a map");
                std::vector<std::string> seen;
                for (auto it = node.begin(); it != node.end(); ++it)
                {
                    const std::string key = it->first.IsScalar() ? it->first.Scalar() : std::string();
                    const std::string field = element.empty() ? key : element + "." + key;
                    if (std::find(seen.begin(), seen.end(), key) != seen.end())
                        return Fail(it->first, field, "given twice");
                    seen.push_back(key);
                    bool known = false;
                    std::string list;
                    for (const char* k : keys)
                    {
                        known = known || key == k;
                        list += list.empty() ? k : std::string(", ") + k;
                    }
                    if (!known)
                        return Fail(it->first, field, "unknown field (known: " + list + ")");
                }
                return true;
            }

            bool Text(const YAML::Node& node, const std::string& element, std::string& out)
            {
                if (!node.IsScalar() || node.Scalar().empty())
                    return Fail(node, element, "must be a name");
                out = node.Scalar();
                return true;
            }

            bool Number(const YAML::Node& node, const std::string& element, Range range, double& out)
            {
                double value = 0.0;
                if (!node.IsScalar() || !YAML::convert<double>::decode(node, value))
                    return Fail(node, element, "'" + (node.IsScalar() ? node.Scalar() : "") + "' is not a number");
                if (!std::isfinite(value))
                    return Fail(node, element, "must be finite, not " + node.Scalar());
                if (range == Range::NonNegative && value < 0.0)
                    return Fail(node, element, "must not be negative, not " + node.Scalar());
                if (range == Range::Positive && !(value > 0.0))
                    return Fail(node, element, "must be greater than 0, not " + node.Scalar());
                out = value;
                return true;
            }

            bool Vector3(const YAML::Node& node, const std::string& element, std::array<double, 3>& out)
            {
                if (!node.IsSequence() || node.size() != 3)
                    return Fail(node, element, "must be a list of three numbers");
                for (std::size_t i = 0; i < 3; ++i)
                    if (!Number(node[i], element + "[" + std::to_string(i) + "]", Range::Any, out[i]))
                        return false;
                return true;
            }

            /// One of the choices; index is its position among them.
            bool Choice(const YAML::Node& node, const std::string& element, std::initializer_list<const char*> choices,
                        int& index)
            {
                std::string list;
                int i = 0;
                for (const char* c : choices)
                {
                    if (node.IsScalar() && node.Scalar() == c)
                    {
                        index = i;
                        return true;
                    }
                    list += list.empty() ? c : std::string(", ") + c;
                    ++i;
                }
                return Fail(node, element, "must be one of " + list);
            }

            std::string name;
            std::string error;
        };

        bool ReadLink(Reader& r, const YAML::Node& node, const std::string& element, int digit, LinkTarget& out)
        {
            if (!r.Map(node, element, {"link", "at", "weight"}))
                return false;
            if (!node["link"] || !node["at"])
                return r.Fail(node, element, "needs link and at");
            out.link.where = r.Where(node["link"], element + ".link");
            if (!r.Text(node["link"], element + ".link", out.link.name))
                return false;
            const char* const* names = digit == 0 ? thumbPoints : fingerPoints;
            int at = 0;
            if (!r.Choice(node["at"], element + ".at", {names[0], names[1], names[2]}, at))
                return false;
            out.point = at;
            return !node["weight"] || r.Number(node["weight"], element + ".weight", Range::NonNegative, out.weight);
        }

        bool ReadDigit(Reader& r, const YAML::Node& node, const std::string& element, int digit, DigitConfig& out)
        {
            if (!r.Map(node, element, {"tip", "weight", "scale", "links"}))
                return false;
            if (!node["tip"])
                return r.Fail(node, element, "needs a tip link");
            LinkTarget tip;
            tip.link.where = r.Where(node["tip"], element + ".tip");
            if (!r.Text(node["tip"], element + ".tip", tip.link.name) ||
                (node["weight"] && !r.Number(node["weight"], element + ".weight", Range::NonNegative, tip.weight)))
                return false;
            out.present = true;
            out.links.push_back(tip);
            if (const YAML::Node scale = node["scale"])
            {
                out.scaleWhere = r.Where(scale, element + ".scale");
                if (!(scale.IsScalar() && scale.Scalar() == "auto") &&
                    !r.Number(scale, element + ".scale", Range::Positive, out.scale))
                    return false;
            }
            if (const YAML::Node links = node["links"])
            {
                if (!links.IsSequence())
                    return r.Fail(links, element + ".links", "must be a list");
                for (std::size_t i = 0; i < links.size(); ++i)
                {
                    LinkTarget link;
                    if (!ReadLink(r, links[i], element + ".links[" + std::to_string(i) + "]", digit, link))
                        return false;
                    out.links.push_back(link);
                }
            }
            return true;
        }

        bool ReadDigits(Reader& r, const YAML::Node& node, RetargetConfig& out)
        {
            if (!r.Map(node, "digits", {"thumb", "index", "middle", "ring", "pinky"}))
                return false;
            bool any = false;
            for (int d = 0; d < fingerCount; ++d)
            {
                const YAML::Node digit = node[digitKeys[d]];
                if (!digit)
                    continue;
                if (!ReadDigit(r, digit, std::string("digits.") + digitKeys[d], d, out.digits[std::size_t(d)]))
                    return false;
                any = true;
            }
            return any || r.Fail(node, "digits", "names no digit (thumb, index, middle, ring, pinky)");
        }

        bool ReadPinch(Reader& r, const YAML::Node& node, PinchConfig& out)
        {
            if (!r.Map(node, "pinch", {"start", "full", "distance", "weight", "open_weight"}))
                return false;
            const std::pair<const char*, double*> fields[] = {{"start", &out.start},
                                                              {"full", &out.full},
                                                              {"distance", &out.distance},
                                                              {"weight", &out.weight},
                                                              {"open_weight", &out.openWeight}};
            for (const auto& [key, value] : fields)
                if (node[key] && !r.Number(node[key], std::string("pinch.") + key, Range::NonNegative, *value))
                    return false;
            if (!(out.start > out.full))
                return r.Fail(node, "pinch", "start must be greater than full");
            return true;
        }

        bool ReadLimits(Reader& r, const YAML::Node& node, RetargetConfig& out)
        {
            if (!r.Map(node, "limits", {"margin", "joints"}))
                return false;
            if (node["margin"] && !r.Number(node["margin"], "limits.margin", Range::NonNegative, out.margin))
                return false;
            const YAML::Node joints = node["joints"];
            if (!joints)
                return true;
            if (!joints.IsMap())
                return r.Fail(joints, "limits.joints", "must be a map of joint names to margins");
            for (auto it = joints.begin(); it != joints.end(); ++it)
            {
                JointMargin m;
                if (!r.Text(it->first, "limits.joints", m.joint.name))
                    return false;
                const std::string element = "limits.joints." + m.joint.name;
                m.joint.where = r.Where(it->first, element);
                if (!r.Number(it->second, element, Range::NonNegative, m.margin))
                    return false;
                out.jointMargins.push_back(m);
            }
            return true;
        }

        bool ReadFilter(Reader& r, const YAML::Node& node, FilterConfig& out)
        {
            if (!r.Map(node, "filter", {"type", "min_cutoff", "beta", "d_cutoff"}))
                return false;
            int type = 0;
            if (node["type"] && !r.Choice(node["type"], "filter.type", {"one_euro", "none"}, type))
                return false;
            out.type = type == 0 ? FilterType::OneEuro : FilterType::None;
            return (!node["min_cutoff"] ||
                    r.Number(node["min_cutoff"], "filter.min_cutoff", Range::Positive, out.minCutoff)) &&
                   (!node["beta"] || r.Number(node["beta"], "filter.beta", Range::NonNegative, out.beta)) &&
                   (!node["d_cutoff"] ||
                    r.Number(node["d_cutoff"], "filter.d_cutoff", Range::Positive, out.derivativeCutoff));
        }

        bool ReadEffortDigit(Reader& r, const YAML::Node& node, const std::string& element, EffortDigitConfig& out)
        {
            if (!r.Map(node, element, {"joints", "min", "max"}))
                return false;
            out.present = true;
            out.where = r.Where(node, element);
            if (!node["max"])
                return r.Fail(node, element, "needs max, the effort that gives full force");
            if (!r.Number(node["max"], element + ".max", Range::Positive, out.maxEffort) ||
                (node["min"] && !r.Number(node["min"], element + ".min", Range::NonNegative, out.minEffort)))
                return false;
            if (!(out.minEffort < out.maxEffort))
                return r.Fail(node, element, "min must be less than max");
            const YAML::Node joints = node["joints"];
            if (!joints)
                return true;
            if (!joints.IsSequence() || joints.size() == 0)
                return r.Fail(joints, element + ".joints", "must be a list of joint names");
            for (std::size_t i = 0; i < joints.size(); ++i)
            {
                const std::string field = element + ".joints[" + std::to_string(i) + "]";
                NamedRef joint{std::string(), r.Where(joints[i], field)};
                if (!r.Text(joints[i], field, joint.name))
                    return false;
                out.joints.push_back(joint);
            }
            return true;
        }

        bool ReadEffort(Reader& r, const YAML::Node& node, EffortConfig& out)
        {
            if (!r.Map(node, "effort_feedback", {"topic", "digits"}))
                return false;
            if (!node["topic"] || !node["digits"])
                return r.Fail(node, "effort_feedback", "needs topic and digits");
            if (!r.Text(node["topic"], "effort_feedback.topic", out.topic))
                return false;
            const YAML::Node digits = node["digits"];
            if (!r.Map(digits, "effort_feedback.digits", {"thumb", "index", "middle", "ring", "pinky"}))
                return false;
            for (int d = 0; d < fingerCount; ++d)
                if (const YAML::Node digit = digits[digitKeys[d]])
                    if (!ReadEffortDigit(r, digit, std::string("effort_feedback.digits.") + digitKeys[d],
                                         out.digits[std::size_t(d)]))
                        return false;
            out.present = true;
            return true;
        }

        bool ReadFrame(Reader& r, const YAML::Node& node, RetargetConfig& out)
        {
            return r.Map(node, "frame", {"rpy", "wrist"}) &&
                   (!node["rpy"] || r.Vector3(node["rpy"], "frame.rpy", out.rpy)) &&
                   (!node["wrist"] || r.Vector3(node["wrist"], "frame.wrist", out.wrist));
        }

        bool ReadRobot(Reader& r, const YAML::Node& root, const std::string& directory, RetargetConfig& out)
        {
            if (!root["urdf"] || !root["base_link"])
                return r.Fail(root, "", "needs urdf and base_link");
            std::string urdf;
            if (!r.Text(root["urdf"], "urdf", urdf))
                return false;
            out.urdfWhere = r.Where(root["urdf"], "urdf");
            const std::filesystem::path path(urdf);
            out.urdfPath =
                path.is_absolute() || directory.empty() ? urdf : (std::filesystem::path(directory) / path).string();
            out.baseLink.where = r.Where(root["base_link"], "base_link");
            if (!r.Text(root["base_link"], "base_link", out.baseLink.name))
                return false;
            int side = 0;
            if (root["side"] && !r.Choice(root["side"], "side", {"right", "left"}, side))
                return false;
            out.right = side == 0;
            int solver = 0;
            if (root["solver"] && !r.Choice(root["solver"], "solver", {"dls", "slsqp"}, solver))
                return false;
            out.solver = solver == 0 ? Retargeter::Solver::DampedLeastSquares : Retargeter::Solver::Slsqp;
            return !root["frame"] || ReadFrame(r, root["frame"], out);
        }

        bool ReadSolve(Reader& r, const YAML::Node& root, RetargetConfig& out)
        {
            if ((root["regularisation"] &&
                 !r.Number(root["regularisation"], "regularisation", Range::NonNegative, out.regularisation)) ||
                (root["posture"] && !r.Number(root["posture"], "posture", Range::NonNegative, out.posture)))
                return false;
            if (const YAML::Node it = root["iterations"])
            {
                double n = 0.0;
                if (!r.Number(it, "iterations", Range::Positive, n))
                    return false;
                if (n != std::floor(n) || n > 1000.0)
                    return r.Fail(it, "iterations", "must be a whole number from 1 to 1000");
                out.iterations = static_cast<int>(n);
            }
            return (!root["pinch"] || ReadPinch(r, root["pinch"], out.pinch)) &&
                   (!root["limits"] || ReadLimits(r, root["limits"], out)) &&
                   (!root["filter"] || ReadFilter(r, root["filter"], out.filter)) &&
                   (!root["effort_feedback"] || ReadEffort(r, root["effort_feedback"], out.effort));
        }
    }

    bool ReadRetargetConfig(const std::string& text, const std::string& name, const std::string& directory,
                            RetargetConfig& out, std::string& error)
    {
        Reader r(name);
        out = RetargetConfig();
        out.name = name;
        try
        {
            const YAML::Node root = YAML::Load(text);
            const bool ok = r.Map(root, "",
                                  {"urdf", "base_link", "side", "frame", "solver", "digits", "pinch", "regularisation",
                                   "posture", "limits", "filter", "iterations", "effort_feedback"}) &&
                            ReadRobot(r, root, directory, out) &&
                            (root["digits"] ? ReadDigits(r, root["digits"], out)
                                            : r.Fail(root, "digits", "missing: name the robot link of each digit")) &&
                            ReadSolve(r, root, out);
            error = r.error;
            return ok;
        }
        catch (const YAML::Exception& e)
        {
            error = name + ":" + std::to_string(e.mark.line + 1) + ": " + e.msg;
        }
        catch (const std::exception& e)
        {
            error = name + ": " + e.what();
        }
        return false;
    }
}
