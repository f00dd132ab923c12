// HandPose, HandProfile and HandModel: the values a Python user computes, stores and compares.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"

#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Util/Serializer.h>

namespace tscore_py
{
    using TSCore::HandPose;
    using TSCore::HandProfile;
    using TSCore::Kinematics::BasicHandModel;
    using TSCore::Util::Serializer;

    HandPoseObject::HandPoseObject(HandPose p) : pose(std::move(p))
    {
        Fill(&angles[0][0][0], pose.handAngles, 5, 3);
        Fill(&positions[0][0][0], pose.jointPositions, 5, 4);
        Fill(&rotations[0][0][0], pose.jointRotations, 5, 4);
        Fill(flexion, pose.GetNormalizedFlexion(false), 5);
    }

    const BasicHandModel& DefaultModel(bool right)
    {
        static const BasicHandModel rightModel = BasicHandModel::Default(true);
        static const BasicHandModel leftModel = BasicHandModel::Default(false);
        return right ? rightModel : leftModel;
    }

    namespace
    {
        // A stored text whose first block names a side and that has at least count blocks. The
        // library's readers answer anything else with a default value that would pass unnoticed.
        bool LooksStored(const std::string& text, std::size_t count)
        {
            const auto blocks = Serializer::SplitBlocks(text, true);
            return blocks.size() >= count && (blocks[0] == "R" || blocks[0] == "L");
        }

        // A profile's two parts each begin with their own side block; a pose's lists do not.
        bool LooksLikeProfile(const std::string& text)
        {
            const auto blocks = Serializer::SplitBlocks(text, true);
            if (blocks.size() < 3 || (blocks[0] != "R" && blocks[0] != "L"))
                return false;
            for (std::size_t part = 1; part < 3; ++part)
                if (!LooksStored(blocks[part], 2))
                    return false;
            return true;
        }

        py::object PoseFromStorage(const std::string& text)
        {
            HandPosePtr pose = Call(
                [&]() -> HandPosePtr
                {
                    if (!LooksStored(text, 4))
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
                    if (!LooksLikeProfile(text))
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
                    if (!LooksStored(text, 4))
                        return nullptr;
                    return std::make_unique<HandModelObject>(HandModelObject{BasicHandModel::Deserialize(text)});
                });
            return model ? py::cast(std::move(model)) : py::none();
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
                    "(np.clip(pose.flexion, 0, 1) clamps). Read-only view.\n"
                    "Wraps HandPose::GetNormalizedFlexion(false).");
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
                .def(py::pickle([](const HandPoseObject& p) { return Locked([&] { return p.pose.Serialize(); }); },
                                [](const std::string& text)
                                {
                                    py::object pose = PoseFromStorage(text);
                                    if (pose.is_none())
                                        throw py::value_error("not a stored hand pose");
                                    return std::make_unique<HandPoseObject>(pose.cast<const HandPoseObject&>().pose);
                                }));
        }

        void BindHandProfile(py::module_& m)
        {
            py::class_<HandProfile>(
                m, "HandProfile",
                "A user's calibration for one hand, with a part for each glove family; a glove reads and\n"
                "calibrates only its own part. Wraps TSCore::HandProfile. Mutable: the calibration calls\n"
                "of a glove write into it in place.")
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
                .def(py::pickle(&ProfileStorage,
                                [](const std::string& text)
                                {
                                    py::object profile = ProfileFromStorage(text);
                                    if (profile.is_none())
                                        throw py::value_error("not a stored hand profile");
                                    return profile.cast<HandProfile>();
                                }));
        }

        std::vector<float> Lengths(py::handle value)
        {
            const FloatArray a = FloatArray::ensure(value);
            if (!a || a.ndim() != 1 || a.size() == 0)
                throw py::value_error("lengths must be a non-empty sequence of numbers (millimetres)");
            return std::vector<float>(a.data(), a.data() + a.size());
        }

        void BindHandModel(py::module_& m)
        {
            py::class_<HandModelObject>(
                m, "HandModel",
                "Geometry of the wearer's hand: per finger (thumb first) three bone lengths in mm and\n"
                "the position and rotation of its first joint. Wraps TSCore::Kinematics::BasicHandModel.")
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
                    "Replaces one finger's bone lengths (mm). Wraps BasicHandModel::SetFingerLengths.")
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
                     { return std::string("<HandModel ") + (h.model.isRight ? "right>" : "left>"); });
        }
    }

    void BindPoses(py::module_& m)
    {
        BindHandPose(m);
        BindHandProfile(m);
        BindHandModel(m);
    }
}
