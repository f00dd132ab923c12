// HandPose, HandProfile and HandModel: the values a Python user computes, stores and compares.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"

#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Util/StoredKind.h>

namespace tscore_py
{
    using TSCore::HandPose;
    using TSCore::HandProfile;
    using TSCore::Kinematics::BasicHandModel;
    using TSCore::Util::KindOfStored;
    using TSCore::Util::StoredKind;

    HandPoseObject::HandPoseObject(HandPose p) : pose(std::move(p)), readingTime(static_cast<double>(nan))
    {
        Fill(&angles[0][0][0], pose.handAngles, 5, 3);
        Fill(&positions[0][0][0], pose.jointPositions, 5, 4);
        Fill(&rotations[0][0][0], pose.jointRotations, 5, 4);
        Fill(flexion, pose.GetNormalizedFlexion(false), 5);
        // The library counts a finger the pose lacks as stretched; a sum over some of its
        // joints is no flexion either.
        for (std::size_t f = 0; f < 5; ++f)
            if (f >= pose.handAngles.size() || pose.handAngles[f].size() < 3)
                flexion[f] = nan;
        std::fill(std::begin(orientation), std::end(orientation), nan);
    }

    const BasicHandModel& DefaultModel(bool right)
    {
        static const BasicHandModel rightModel = BasicHandModel::Default(true);
        static const BasicHandModel leftModel = BasicHandModel::Default(false);
        return right ? rightModel : leftModel;
    }

    const HandProfile& DefaultProfile(bool right)
    {
        static const HandProfile rightProfile = HandProfile::Default(true);
        static const HandProfile leftProfile = HandProfile::Default(false);
        return right ? rightProfile : leftProfile;
    }

    namespace
    {
        py::object PoseFromStorage(const std::string& text)
        {
            HandPosePtr pose = Call(
                [&]() -> HandPosePtr
                {
                    if (KindOfStored(text) != StoredKind::HandPose)
                        return nullptr;
                    HandPose p = HandPose::Deserialize(text);
                    if (p.handAngles.empty())
                        return nullptr;
                    return std::make_unique<HandPoseObject>(std::move(p));
                });
            return pose ? py::cast(std::move(pose)) : py::none();
        }

        HandPosePtr PoseFromArrays(bool isRight, py::handle angles, py::handle positions, py::handle rotations)
        {
            const FloatArray a = ShapedArray(angles, {5, 3, 3}, "angles");
            const FloatArray p = ShapedArray(positions, {5, 4, 3}, "positions");
            const FloatArray r = ShapedArray(rotations, {5, 4, 4}, "rotations");
            HandPose pose(isRight, Vects2D(p.data(), 5, 4), Quats2D(r.data(), 5, 4), Vects2D(a.data(), 5, 3));
            return Locked([&] { return std::make_unique<HandPoseObject>(std::move(pose)); });
        }

        py::object OpenText(py::handle path, const char* mode)
        {
            return py::module_::import("builtins").attr("open")(path, mode, py::arg("encoding") = "utf-8");
        }

        std::string ReadTextFile(py::handle path)
        {
            py::object file = OpenText(path, "r");
            py::object text;
            try
            {
                text = file.attr("read")();
            }
            catch (...)
            {
                file.attr("close")();
                throw;
            }
            file.attr("close")();
            return text.cast<std::string>();
        }

        void WriteTextFile(py::handle path, const std::string& text)
        {
            py::object file = OpenText(path, "w");
            try
            {
                file.attr("write")(text + "\n");
            }
            catch (...)
            {
                file.attr("close")();
                throw;
            }
            file.attr("close")(); // a failed flush raises here
        }

        py::object ProfileFromStorage(const std::string& text)
        {
            auto profile = Locked(
                [&]() -> std::unique_ptr<HandProfile>
                {
                    if (KindOfStored(text) != StoredKind::HandProfile)
                        return nullptr;
                    return std::make_unique<HandProfile>(HandProfile::Deserialize(text));
                });
            return profile ? py::cast(std::move(profile)) : py::none();
        }

        std::string ProfileStorage(const HandProfile& p)
        {
            return Locked([&] { return p.Serialize(); });
        }

        py::object ModelFromStorage(const std::string& text)
        {
            auto model = Locked(
                [&]() -> std::unique_ptr<HandModelObject>
                {
                    if (KindOfStored(text) != StoredKind::HandModel)
                        return nullptr;
                    return std::make_unique<HandModelObject>(HandModelObject{BasicHandModel::Deserialize(text)});
                });
            return model ? py::cast(std::move(model)) : py::none();
        }

        // Pickle rebuilds a value by calling a function it finds by name; pybind11's functions
        // have no such name, so tscore._stored holds the rebuilders, which read the storage text.
        py::object Restorer(const char* name) { return py::module_::import("tscore._stored").attr(name); }

        // Copies are exact; pickles go through the storage text.
        template <class T, class Class>
        void BindCopies(Class& c)
        {
            c.def("__copy__", [](const T& self) { return Locked([&] { return std::make_unique<T>(self); }); })
                .def(
                    "__deepcopy__",
                    [](const T& self, py::handle) { return Locked([&] { return std::make_unique<T>(self); }); },
                    py::arg("memo"));
        }

        // The time stamp a stream gives each pose, and what a pickle restores.
        void Stamp(HandPoseObject& p, double readingTime, bool isNew, py::handle orientation)
        {
            p.readingTime = readingTime;
            p.isNew = isNew;
            if (!orientation.is_none())
            {
                const FloatArray o = ShapedArray(orientation, {4}, "orientation");
                std::copy(o.data(), o.data() + 4, p.orientation);
            }
        }

        py::tuple ReducePose(const HandPoseObject& p)
        {
            const std::string text = Locked([&] { return p.pose.Serialize(); });
            const float* o = p.orientation;
            return py::make_tuple(Restorer("pose"),
                                  py::make_tuple(text, p.readingTime, p.isNew, py::make_tuple(o[0], o[1], o[2], o[3])));
        }

        // Views into the pose's own arrays: the pose object stays alive as their base.
        void BindPoseArrays(py::class_<HandPoseObject>& pose)
        {
            pose.def_property_readonly(
                    "angles",
                    [](py::object self) {
                        return ReadOnlyView(&self.cast<HandPoseObject&>().angles[0][0][0], {5, 3, 3}, self);
                    },
                    "(5, 3, 3) float32, radians: per finger, per joint from the hand outwards (CMC, MCP,\n"
                    "IP for the thumb; MCP, PIP, DIP otherwise), (twist, flexion, spread). Read-only view.\n"
                    "Reads HandPose::handAngles.")
                .def_property_readonly(
                    "positions",
                    [](py::object self) {
                        return ReadOnlyView(&self.cast<HandPoseObject&>().positions[0][0][0], {5, 4, 3}, self);
                    },
                    "(5, 4, 3) float32, millimetres in the hand frame (+x toward the fingers, +y toward\n"
                    "the thumb of a right hand, +z out of the back): the three joints, then the tip.\n"
                    "Read-only view. Reads HandPose::jointPositions.")
                .def_property_readonly(
                    "rotations",
                    [](py::object self) {
                        return ReadOnlyView(&self.cast<HandPoseObject&>().rotations[0][0][0], {5, 4, 4}, self);
                    },
                    "(5, 4, 4) float32 quaternions in x, y, z, w order (w is the scalar part), one per\n"
                    "entry of positions. Read-only view. Reads HandPose::jointRotations.")
                .def_property_readonly(
                    "flexion",
                    [](py::object self) { return ReadOnlyView(self.cast<HandPoseObject&>().flexion, {5}, self); },
                    "(5,) float32: each finger's summed flexion, 0 stretched, 1 fully flexed, not clamped\n"
                    "(np.clip(pose.flexion, 0, 1) clamps); NaN for a finger the pose lacks or has only\n"
                    "some joints of. Read-only view. Wraps HandPose::GetNormalizedFlexion(false).")
                .def_property_readonly(
                    "orientation",
                    [](py::object self) { return ReadOnlyView(self.cast<HandPoseObject&>().orientation, {4}, self); },
                    "(4,) float32 x, y, z, w: the hand's orientation in the reading this pose was computed\n"
                    "from (glove.poses(), read_recording); NaN when the reading carried none or the pose\n"
                    "comes from elsewhere. Read-only view.")
                .def_property_readonly(
                    "reading_time", [](const HandPoseObject& p) { return p.readingTime; },
                    "Seconds since 1970 (as time.time()) when glove.poses() first saw the reading this\n"
                    "pose was computed from; NaN for a pose from elsewhere.")
                .def_property_readonly(
                    "is_new", [](const HandPoseObject& p) { return p.isNew; },
                    "True for the first pose glove.poses() gives of a reading; False when the glove sent\n"
                    "nothing new since the pose before (a stream faster than the glove), and for a pose\n"
                    "from elsewhere.");
        }

        // The 26 OpenXR joints as arrays; the joint order is OPENXR_JOINT_NAMES.
        py::dict ToOpenXR(const HandPoseObject& self, const HandModelObject* model)
        {
            using TSCore::OpenXRHand;
            OpenXRHand::Locations located;
            Locked(
                [&]
                {
                    const BasicHandModel& m = model != nullptr ? model->model : DefaultModel(self.pose.isRight);
                    OpenXRHand::Locate(self.pose, m, true, located);
                });
            constexpr py::ssize_t n = OpenXRHand::jointCount;
            FloatArray positions = NewArray({n, 3});
            FloatArray orientations = NewArray({n, 4});
            FloatArray radii = NewArray({n});
            py::array_t<std::uint64_t> flags(n);
            for (py::ssize_t j = 0; j < n; ++j)
            {
                const OpenXRHand::JointLocation& joint = located.jointLocations[static_cast<std::size_t>(j)];
                Write(positions.mutable_data(j), joint.pose.position);
                Write(orientations.mutable_data(j), joint.pose.orientation);
                radii.mutable_at(j) = joint.radius;
                flags.mutable_at(j) = joint.locationFlags;
            }
            py::dict out;
            out["is_active"] = located.isActive;
            out["positions"] = positions;
            out["orientations"] = orientations;
            out["radii"] = radii;
            out["flags"] = flags;
            return out;
        }

        py::tuple OpenXRJointNames()
        {
            py::tuple names(TSCore::OpenXRHand::jointCount);
            for (int j = 0; j < TSCore::OpenXRHand::jointCount; ++j)
                names[static_cast<std::size_t>(j)] = TSCore::OpenXRHand::JointName(j);
            return names;
        }

        void BindHandPose(py::module_& m)
        {
            m.attr("OPENXR_JOINT_NAMES") = OpenXRJointNames();
            py::class_<HandPoseObject> pose(
                m, "HandPose",
                "The wearer's hand: per finger (thumb first) the angles, positions and rotations of its\n"
                "joints. Wraps TSCore::HandPose. The array properties are read-only float32 views into\n"
                "the pose (no copy); np.array(pose.angles) gives a writable copy. An entry the pose does\n"
                "not have (a pose read from a short text) is NaN.");
            pose.def(py::init(&PoseFromArrays), py::arg("is_right"), py::arg("angles"), py::arg("positions"),
                     py::arg("rotations"),
                     "A pose from arrays of the shapes of the properties below (copied).\n"
                     "Wraps the HandPose(isRight, jointPositions, jointRotations, handAngles) constructor.")
                .def_static(
                    "idle",
                    [](bool right)
                    { return Locked([&] { return std::make_unique<HandPoseObject>(HandPose::DefaultIdle(right)); }); },
                    py::arg("right"), "The hand at rest on the default hand model. Wraps HandPose::DefaultIdle.")
                .def_property_readonly(
                    "is_right", [](const HandPoseObject& p) { return p.pose.isRight; },
                    "True for a right hand. Reads HandPose::isRight.");
            BindPoseArrays(pose);
            pose.def(
                    "to_string",
                    [](const HandPoseObject& p) { return Text(Locked([&] { return p.pose.ToString(false); })); },
                    "One line per finger, angles in whole degrees. Wraps HandPose::ToString.")
                .def("__str__",
                     [](const HandPoseObject& p) { return Text(Locked([&] { return p.pose.ToString(false); })); })
                .def("__repr__",
                     [](const HandPoseObject& p)
                     {
                         return py::str("<HandPose {} flexion {}>")
                             .format(p.pose.isRight ? "right" : "left",
                                     py::module_::import("numpy").attr("array2string")(
                                         ReadOnlyView(p.flexion, {5}, py::none()), py::arg("precision") = 2));
                     })
                .def(
                    "to_storage", [](const HandPoseObject& p) { return Locked([&] { return p.pose.Serialize(); }); },
                    "The storage text. Wraps HandPose::Serialize.")
                .def("to_openxr", &ToOpenXR, py::arg("model") = py::none(),
                     "The 26 joints of OpenXR's XR_EXT_hand_tracking, relative to the wrist, as a dict of new\n"
                     "arrays in the order of OPENXR_JOINT_NAMES: positions (26, 3) in metres, orientations\n"
                     "(26, 4) as x, y, z, w, radii (26,) in metres, flags (26,) uint64 XrSpaceLocationFlags,\n"
                     "and is_active. -Z points along each bone toward the fingertip, +Y out of the back of\n"
                     "the hand. model defaults to the default hand of the pose's side; a pose that does not\n"
                     "fit it (other side, short, not finite) gives is_active False and no flags.\n"
                     "Wraps OpenXRHand::Locate.")
                .def_static("from_storage", &PoseFromStorage, py::arg("text"),
                            "The pose a storage text holds; None when the text is not a stored hand pose.\n"
                            "Wraps HandPose::Deserialize.")
                .def(
                    "__eq__",
                    [](const HandPoseObject& a, const HandPoseObject& b)
                    { return Locked([&] { return a.pose.Equals(b.pose); }); },
                    py::is_operator(), "Every value equal within 1e-6. Wraps HandPose::Equals.")
                .def("__reduce__", &ReducePose)
                .def("_stamp", &Stamp, py::arg("reading_time"), py::arg("is_new"), py::arg("orientation") = py::none());
            BindCopies<HandPoseObject>(pose);
        }

        void BindHandProfile(py::module_& m)
        {
            py::class_<HandProfile> profile(
                m, "HandProfile",
                "A user's calibration for one hand, with a part for each glove family; a glove reads and\n"
                "calibrates only its own part. Wraps TSCore::HandProfile. Mutable: the calibration calls\n"
                "of a glove write into it in place.");
            profile
                .def_static(
                    "default", [](bool right) { return Locked([&] { return HandProfile::Default(right); }); },
                    py::arg("right"), "The uncalibrated profile of a side. Wraps HandProfile::Default.")
                .def_property_readonly(
                    "is_right", [](const HandProfile& p) { return Locked([&] { return p.isRight; }); },
                    "True for a right hand. Reads HandProfile::isRight.")
                .def("to_storage", &ProfileStorage, "The storage text. Wraps HandProfile::Serialize.")
                .def_static("from_storage", &ProfileFromStorage, py::arg("text"),
                            "The profile a storage text holds; None when the text is not a stored profile.\n"
                            "Wraps HandProfile::Deserialize.")
                .def(
                    "save", [](const HandProfile& p, py::object path) { WriteTextFile(path, ProfileStorage(p)); },
                    py::arg("path"),
                    "Writes the storage text to a file (OSError when it cannot be written).\n"
                    "Wraps HandProfile::Serialize.")
                .def_static(
                    "load",
                    [](py::object path)
                    {
                        py::object profile = ProfileFromStorage(ReadTextFile(path));
                        if (profile.is_none())
                            throw py::value_error(py::str("{!s} does not hold a hand profile").format(path));
                        return profile;
                    },
                    py::arg("path"),
                    "The profile stored in a file. OSError when the file cannot be read, ValueError\n"
                    "when it holds no profile. Wraps HandProfile::Deserialize.")
                .def(
                    "__eq__",
                    [](const HandProfile& a, const HandProfile& b) { return Locked([&] { return a.Equals(b); }); },
                    py::is_operator(), "Every value equal within 1e-6. Wraps HandProfile::Equals.")
                .def("__repr__", [](const HandProfile& p)
                     { return std::string("<HandProfile ") + (p.isRight ? "right>" : "left>"); })
                .def("__reduce__", [](const HandProfile& p)
                     { return py::make_tuple(Restorer("profile"), py::make_tuple(ProfileStorage(p))); });
            BindCopies<HandProfile>(profile);
        }

        std::vector<float> Lengths(py::handle value)
        {
            const FloatArray a = FloatArray::ensure(value);
            if (!a || a.ndim() != 1 || a.size() == 0)
                throw py::value_error("lengths must be a non-empty sequence of numbers (millimetres)");
            return std::vector<float>(a.data(), a.data() + a.size());
        }

        void BindModelStorage(py::class_<HandModelObject>& model);

        void BindHandModel(py::module_& m)
        {
            py::class_<HandModelObject> model(
                m, "HandModel",
                "Geometry of the wearer's hand: per finger (thumb first) three bone lengths in mm and\n"
                "the position and rotation of its first joint. Wraps TSCore::Kinematics::BasicHandModel.");
            model
                .def_static(
                    "default",
                    [](bool right) { return Locked([&] { return HandModelObject{BasicHandModel::Default(right)}; }); },
                    py::arg("right"), "The default hand of a side. Wraps BasicHandModel::Default.")
                .def_property_readonly(
                    "is_right", [](const HandModelObject& h) { return Locked([&] { return h.model.isRight; }); },
                    "True for a right hand. Reads BasicHandModel::isRight.")
                .def_property_readonly(
                    "finger_lengths",
                    [](const HandModelObject& h)
                    { return ToArray(Locked([&] { return h.model.fingerLengths; }), 5, 3); },
                    "(5, 3) float32 copy: bone lengths in mm, from the hand outwards.\n"
                    "Reads BasicHandModel::fingerLengths.")
                .def_property_readonly(
                    "joint_positions",
                    [](const HandModelObject& h) { return ToArray(Locked([&] { return h.model.jointPositions; }), 5); },
                    "(5, 3) float32 copy: each finger's first joint in mm. Reads BasicHandModel::jointPositions.")
                .def_property_readonly(
                    "joint_rotations",
                    [](const HandModelObject& h) { return ToArray(Locked([&] { return h.model.jointRotations; }), 5); },
                    "(5, 4) float32 copy: each finger's first joint as x, y, z, w.\n"
                    "Reads BasicHandModel::jointRotations.")
                .def(
                    "set_finger_lengths",
                    [](HandModelObject& h, int finger, py::handle lengths)
                    {
                        const auto f = static_cast<TSCore::Finger>(FingerIndex(finger));
                        std::vector<float> values = Lengths(lengths);
                        Locked([&] { h.model.SetFingerLengths(std::move(values), f); });
                    },
                    py::arg("finger"), py::arg("lengths"),
                    "Replaces one finger's bone lengths (mm). Wraps BasicHandModel::SetFingerLengths.");
            BindModelStorage(model);
        }

        // Storage, comparison and copies: what HandModel shares with the other values.
        void BindModelStorage(py::class_<HandModelObject>& model)
        {
            model
                .def(
                    "to_storage", [](const HandModelObject& h) { return Locked([&] { return h.model.Serialize(); }); },
                    "The storage text. Wraps BasicHandModel::Serialize.")
                .def_static("from_storage", &ModelFromStorage, py::arg("text"),
                            "The model a storage text holds; None when the text is not a stored hand model.\n"
                            "Wraps BasicHandModel::Deserialize.")
                .def(
                    "__eq__",
                    [](const HandModelObject& a, const HandModelObject& b)
                    { return Locked([&] { return a.model.Equals(b.model); }); },
                    py::is_operator(),
                    "Lengths, positions and rotations equal within 1e-6. Wraps BasicHandModel::Equals.")
                .def("__repr__", [](const HandModelObject& h)
                     { return std::string("<HandModel ") + (h.model.isRight ? "right>" : "left>"); })
                .def("__reduce__",
                     [](const HandModelObject& h)
                     {
                         const std::string text = Locked([&] { return h.model.Serialize(); });
                         return py::make_tuple(Restorer("model"), py::make_tuple(text));
                     });
            BindCopies<HandModelObject>(model);
        }
    }

    void BindPoses(py::module_& m)
    {
        BindHandPose(m);
        BindHandProfile(m);
        BindHandModel(m);
    }
}
