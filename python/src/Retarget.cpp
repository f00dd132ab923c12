// tscore.Retargeter: a URDF robot hand driven by hand poses, through libTSCoreRetarget. Built
// only when the library is. A solve runs under the library mutex with the GIL released, like
// every other call: one retargeter is used by one thread at a time.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <TSCore/Retarget/Retargeter.h>

#include <cerrno>
#include <cmath>
#include <fstream>
#include <optional>

namespace tscore_py
{
    using TSCore::Kinematics::Vect3D;
    using TSCore::Retarget::Retargeter;
    using TSCore::Retarget::RobotJoints;

    namespace
    {
        using DoubleArray = py::array_t<double>;

        struct RetargeterObject
        {
            std::unique_ptr<Retargeter> retargeter;
            RobotJoints joints; ///< reused from solve to solve
            py::tuple names;    ///< the joint names, once
        };

        // OSError (FileNotFoundError, PermissionError, ...) when the file itself cannot be opened;
        // ValueError for everything the library found wrong in it or in its URDF.
        [[noreturn]] void RaiseLoadError(const std::string& path, const std::string& message)
        {
            errno = 0;
            const bool opens = static_cast<bool>(std::ifstream(path));
            if (!opens && errno != 0)
            {
                PyErr_SetObject(PyExc_OSError, py::make_tuple(errno, message, path).ptr());
                throw py::error_already_set();
            }
            throw py::value_error(message);
        }

        std::unique_ptr<RetargeterObject> Load(py::handle config)
        {
            const std::string path = py::module_::import("os").attr("fspath")(config).cast<std::string>();
            std::string error;
            auto object = std::make_unique<RetargeterObject>();
            object->retargeter = Call([&] { return Retargeter::Load(path, error); });
            if (!object->retargeter)
                RaiseLoadError(path, error);
            const auto& joints = object->retargeter->Joints();
            object->names = py::tuple(joints.size());
            for (std::size_t i = 0; i < joints.size(); ++i)
                object->names[i] = Text(joints[i].name);
            return object;
        }

        DoubleArray Positions(const RobotJoints& joints)
        {
            DoubleArray out(static_cast<py::ssize_t>(joints.positions.size()));
            std::copy(joints.positions.begin(), joints.positions.end(), out.mutable_data());
            return out;
        }

        py::tuple Solve(RetargeterObject& self, const HandPoseObject& pose, std::optional<double> time)
        {
            if (time && !std::isfinite(*time))
                throw py::value_error("time must be a finite number of seconds, got " + std::to_string(*time));
            Retargeter& r = *self.retargeter;
            const bool solved =
                Call([&] { return time ? r.Solve(pose.pose, *time, self.joints) : r.Solve(pose.pose, self.joints); });
            if (!solved)
                throw py::value_error("the pose cannot be retargeted: it lacks a point the configuration matches "
                                      "or holds a joint position that is not finite");
            return py::make_tuple(self.names, Positions(self.joints));
        }

        const char* TypeName(Retargeter::JointType type)
        {
            switch (type)
            {
            case Retargeter::JointType::Continuous:
                return "continuous";
            case Retargeter::JointType::Prismatic:
                return "prismatic";
            case Retargeter::JointType::Revolute:
                break;
            }
            return "revolute";
        }

        py::object Digit(int digit)
        {
            if (digit < 0)
                return py::none();
            return py::module_::import("tscore._enums").attr("member")("Finger", digit);
        }

        py::tuple Joints(const RetargeterObject& self)
        {
            const auto& joints = self.retargeter->Joints();
            py::tuple out(joints.size());
            for (std::size_t i = 0; i < joints.size(); ++i)
            {
                const auto& j = joints[i];
                py::dict d;
                d["name"] = Text(j.name);
                d["type"] = TypeName(j.type);
                d["lower"] = j.lower;
                d["upper"] = j.upper;
                d["solve_lower"] = j.solveLower;
                d["solve_upper"] = j.solveUpper;
                d["velocity"] = j.velocity;
                d["mimics"] = j.mimics.empty() ? py::object(py::none()) : py::object(Text(j.mimics));
                d["multiplier"] = j.multiplier;
                d["offset"] = j.offset;
                d["digit"] = Digit(j.digit);
                out[i] = std::move(d);
            }
            return out;
        }

        py::tuple Limits(const RetargeterObject& self)
        {
            const auto& joints = self.retargeter->Joints();
            DoubleArray lower(static_cast<py::ssize_t>(joints.size())), upper(static_cast<py::ssize_t>(joints.size()));
            for (std::size_t i = 0; i < joints.size(); ++i)
            {
                lower.mutable_data()[i] = joints[i].solveLower;
                upper.mutable_data()[i] = joints[i].solveUpper;
            }
            return py::make_tuple(lower, upper);
        }

        py::tuple Mapping(const RetargeterObject& self)
        {
            const auto& mapping = self.retargeter->Mapping();
            py::tuple out(mapping.size());
            for (std::size_t i = 0; i < mapping.size(); ++i)
            {
                const auto& m = mapping[i];
                py::dict d;
                d["digit"] = Digit(static_cast<int>(m.digit));
                d["link"] = Text(m.link);
                d["point"] = m.point;
                d["weight"] = m.weight;
                d["scale"] = m.scale;
                d["scale_derived"] = m.scaleDerived;
                out[i] = std::move(d);
            }
            return out;
        }

        // (n, 3) float32 mm; NaN rows for points not given (n = rows).
        FloatArray Points(const std::vector<Vect3D>& points, std::size_t rows)
        {
            return ToArray(points, static_cast<py::ssize_t>(rows));
        }

        py::tuple Links(const RetargeterObject& self)
        {
            const auto& links = self.retargeter->Links();
            py::tuple names(links.size());
            py::array_t<int> parents(static_cast<py::ssize_t>(links.size()));
            for (std::size_t i = 0; i < links.size(); ++i)
            {
                names[i] = Text(links[i].name);
                parents.mutable_data()[i] = links[i].parent;
            }
            return py::make_tuple(names, parents);
        }

        py::dict Stats(const RetargeterObject& self)
        {
            const Retargeter::SolveStats s = Locked([&] { return self.retargeter->LastStats(); });
            py::dict d;
            d["iterations"] = s.iterations;
            d["cost"] = s.cost;
            d["converged"] = s.converged;
            return d;
        }

        void BindQueries(py::class_<RetargeterObject>& c);
        void BindIdentity(py::class_<RetargeterObject>& c);
    }

    void BindRetarget(py::module_& m)
    {
        py::class_<RetargeterObject> c(
            m, "Retargeter",
            "A URDF robot hand that follows hand poses: per solve, the robot's joint positions within\n"
            "its limits whose wrist-to-tip and thumb-to-fingertip vectors best match the wearer's,\n"
            "warm-started from the previous solution and smoothed. Wraps TSCore::Retarget::Retargeter.");
        RefusePickle(c);
        c.def(py::init(&Load), py::arg("config"),
              "Reads the YAML configuration and the URDF it names. OSError (FileNotFoundError, ...)\n"
              "when the file cannot be read; ValueError with the library's message, which names the\n"
              "file, the line and the element, for anything wrong in it or its URDF.\n"
              "Wraps Retargeter::Load.")
            .def("solve", &Solve, py::arg("pose"), py::arg("time") = py::none(),
                 "(joint_names, positions): the robot's joints for this pose, positions a new (n,) float64\n"
                 "array in radians (metres for prismatic joints) in the order of joint_names, mimic\n"
                 "joints included. time, in seconds on any clock that does not go back (a stream's\n"
                 "pose.reading_time), drives the smoothing filter and the velocity limits; None: the\n"
                 "steady clock now. ValueError, and nothing changed, for a pose that lacks a point\n"
                 "the configuration matches or holds a position that is not finite, or a time that\n"
                 "is not finite. Wraps Retargeter::Solve.")
            .def(
                "solution",
                [](RetargeterObject& self)
                {
                    Locked([&] { self.retargeter->Solution(self.joints); });
                    return Positions(self.joints);
                },
                "(n,) float64: the current solution (the rest pose before the first solve).\n"
                "Wraps Retargeter::Solution.")
            .def(
                "reset", [](RetargeterObject& self) { Locked([&] { self.retargeter->Reset(); }); },
                "Forgets the previous solution and the filter: the next solve starts from the rest pose\n"
                "(every joint at 0, or its nearest limit) unsmoothed. Wraps Retargeter::Reset.");
        BindQueries(c);
        BindIdentity(c);
    }

    namespace
    {
        void BindQueries(py::class_<RetargeterObject>& c)
        {
            c.def_property_readonly(
                 "joint_names", [](const RetargeterObject& self) { return self.names; },
                 "Every movable joint of the URDF, mimic joints included, in the order of solve()'s\n"
                 "positions.")
                .def_property_readonly("joints", &Joints,
                                       "Per joint, a dict: name, type ('revolute', 'continuous', 'prismatic'),\n"
                                       "lower and upper (the URDF's limits; infinite for a continuous joint),\n"
                                       "solve_lower and solve_upper (what every solution keeps to: the limits\n"
                                       "less the margins), velocity (0: none given), mimics (the leader's\n"
                                       "name or None), multiplier, offset, digit (the Finger whose matched\n"
                                       "links it moves, or None). Reads Retargeter::Joints.")
                .def_property_readonly("limits", &Limits,
                                       "(lower, upper), each (n,) float64: what every solution keeps to, in\n"
                                       "the order of joint_names.")
                .def_property_readonly("mapping", &Mapping,
                                       "Per matched link, a dict: digit (Finger), link, point (0 the digit's\n"
                                       "first joint .. 3 its tip), weight, scale (wearer to robot),\n"
                                       "scale_derived. Reads Retargeter::Mapping.")
                .def_property_readonly("links", &Links,
                                       "(names, parents): every link of the robot, and per link its parent's\n"
                                       "index ((n,) int32, -1 for the root), for drawing. Reads\n"
                                       "Retargeter::Links.")
                .def(
                    "link_positions",
                    [](const RetargeterObject& self)
                    {
                        std::vector<Vect3D> points;
                        Locked([&] { self.retargeter->LinkPositions(points); });
                        return Points(points, points.size());
                    },
                    "(n, 3) float32: every link's origin at the current solution, in the order of links,\n"
                    "in the glove's hand frame (mm, +x toward the fingers, +y toward the thumb of a right\n"
                    "hand, +z out of the back; the wearer's wrist at the origin), at the robot's own size.\n"
                    "Wraps Retargeter::LinkPositions.")
                .def(
                    "matched_positions",
                    [](const RetargeterObject& self)
                    {
                        std::vector<Vect3D> robot, target;
                        Locked([&] { self.retargeter->MatchedPositions(robot, target); });
                        return py::make_tuple(Points(robot, robot.size()), Points(target, robot.size()));
                    },
                    "(robot, target), each (m, 3) float32 in that frame, per entry of mapping: where the\n"
                    "robot's link is, and where the last solve wanted it (NaN before the first solve).\n"
                    "Wraps Retargeter::MatchedPositions.");
        }

        void BindIdentity(py::class_<RetargeterObject>& c)
        {
            c.def_property_readonly("last_stats", &Stats,
                                    "The last solve's iterations, cost (m^2) and converged, as a dict.\n"
                                    "Reads Retargeter::LastStats.")
                .def_property_readonly(
                    "solver",
                    [](const RetargeterObject& self)
                    { return self.retargeter->SolverInUse() == Retargeter::Solver::Slsqp ? "slsqp" : "dls"; },
                    "'dls' (damped least squares) or 'slsqp' (NLopt), as configured.")
                .def_property_readonly("config_path",
                                       [](const RetargeterObject& self) { return Text(self.retargeter->ConfigPath()); })
                .def_property_readonly("urdf_path",
                                       [](const RetargeterObject& self) { return Text(self.retargeter->UrdfPath()); })
                .def_property_readonly("robot_name",
                                       [](const RetargeterObject& self) { return Text(self.retargeter->RobotName()); })
                .def_property_readonly("base_link",
                                       [](const RetargeterObject& self) { return Text(self.retargeter->BaseLink()); })
                .def_property_readonly(
                    "is_right", [](const RetargeterObject& self) { return self.retargeter->IsRight(); },
                    "The robot hand's side; a pose of the other side is mirrored onto it.")
                .def("__repr__",
                     [](const RetargeterObject& self)
                     {
                         return py::str("<Retargeter {}: {} joints, {} hand>")
                             .format(Text(self.retargeter->RobotName()), self.names.size(),
                                     self.retargeter->IsRight() ? "right" : "left");
                     });
        }
    }
}
