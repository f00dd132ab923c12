// The device objects and the library's device cache: every call reads or writes the service's
// shared memory and so releases the GIL. Python holds a device through a shared pointer, so a
// glove stays usable after dispose() released the library's cache.

#include "Arrays.h"
#include "Bindings.h"
#include "DeviceRefs.h"
#include "LibraryCall.h"
#include "ServiceLink.h"

#include <pybind11/stl.h>

#include <TSCore/Devices/BetaDevice.h>
#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include <algorithm>
#include <map>
#include <optional>

namespace tscore_py
{
    using TSCore::BetaDevice;
    using TSCore::DeviceList;
    using TSCore::HandPose;
    using TSCore::HandProfile;
    using TSCore::HapticGlove;
    using TSCore::TSDevice;
    using TSCore::Haptics::ThumperCmd;
    using TSCore::Haptics::TS_BuzzCmd;
    using TSCore::Haptics::TS_FFBCmd;
    using TSCore::Haptics::TS_ThumperCmd;
    using TSCore::Kelvo::Kelvo;
    using TSCore::Kinematics::BasicHandModel;
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Vect3D;
    using TSCore::TS::Tessara;

    namespace
    {
        template <class Ref>
        py::object Cast(Ref r, const std::shared_ptr<TSDevice>& d)
        {
            r.device = d;
            return py::cast(std::move(r));
        }
    }

    py::object Wrap(const std::shared_ptr<TSDevice>& d)
    {
        if (auto* t = dynamic_cast<Tessara*>(d.get()))
        {
            TessaraRef r;
            r.glove = r.tessara = t;
            return Cast(std::move(r), d);
        }
        if (auto* k = dynamic_cast<Kelvo*>(d.get()))
        {
            KelvoRef r;
            r.glove = r.kelvo = k;
            return Cast(std::move(r), d);
        }
        if (auto* g = dynamic_cast<HapticGlove*>(d.get()))
        {
            GloveRef r;
            r.glove = g;
            return Cast(std::move(r), d);
        }
        if (auto* b = dynamic_cast<BetaDevice*>(d.get()))
        {
            BetaRef r;
            r.beta = b;
            return Cast(std::move(r), d);
        }
        return d ? Cast(DeviceRef{}, d) : py::none();
    }

    namespace
    {
        // An enum member of tscore's pure-Python enums, or the plain int when it has no member.
        py::object Enum(const char* name, int value)
        {
            return py::module_::import("tscore._enums").attr("member")(name, value);
        }

        bool IsThumperEffect(py::handle value)
        {
            return py::isinstance(value, py::module_::import("tscore._enums").attr("ThumperEffect"));
        }

        long long WholeNumber(py::handle value, const std::string& what)
        {
            if (PyBool_Check(value.ptr()) || !PyIndex_Check(value.ptr()))
                throw py::type_error(what + " must be a whole number, not " +
                                     std::string(py::str(py::type::of(value).attr("__name__"))));
            PyObject* index = PyNumber_Index(value.ptr());
            if (index == nullptr)
                throw py::error_already_set();
            const long long number = PyLong_AsLongLong(index);
            Py_DECREF(index);
            if (number == -1 && PyErr_Occurred())
            {
                PyErr_Clear();
                throw py::value_error(what + " is out of range");
            }
            return number;
        }

        int Level(py::handle value, const char* name)
        {
            const long long level = WholeNumber(value, std::string(name) + " level");
            if (level < 0 || level > 100)
                throw py::value_error(std::string(name) + " levels are 0 to 100 percent, got " + std::to_string(level));
            return static_cast<int>(level);
        }

        // An int sets every finger; a sequence of at most five sets them thumb first, the rest 0.
        std::vector<int> Levels(py::handle value, const char* name)
        {
            if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))
                throw py::type_error(std::string(name) +
                                     " must be a level (0..100) or a sequence of up to five levels");
            if (!py::hasattr(value, "__iter__"))
                return std::vector<int>(5, Level(value, name));
            std::vector<int> levels;
            for (py::handle item : value)
            {
                if (levels.size() == 5)
                    throw py::value_error(std::string(name) + " takes at most five levels, thumb first");
                levels.push_back(Level(item, name));
            }
            if (levels.empty())
                throw py::value_error(std::string(name) + " needs at least one level, thumb first");
            return levels;
        }

        TS_ThumperCmd Effect(py::handle value)
        {
            const long long code = WholeNumber(value, "thumper effect");
            for (int known : {1, 2, 3, 4, 5, 6, 126})
                if (code == known)
                    return static_cast<TS_ThumperCmd>(known);
            throw py::value_error("an exoskeleton glove's thumper takes a ThumperEffect (1..6 or 126), got " +
                                  std::to_string(code));
        }

        int Magnitude(py::handle value)
        {
            if (IsThumperEffect(value))
                throw py::type_error("a Kelvo glove's thumper takes a magnitude 0..100, not a ThumperEffect");
            const long long m = WholeNumber(value, "thumper magnitude");
            if (m < 0 || m > 100)
                throw py::value_error("thumper magnitude is 0 to 100, got " + std::to_string(m));
            return static_cast<int>(m);
        }

        // Levels are kept as lists until the call: the command classes have virtual functions
        // without a virtual destructor, so they live only as plain locals.
        using LevelList = std::optional<std::vector<int>>;

        TS_FFBCmd FFBOr(const LevelList& levels, const HapticGlove& glove)
        {
            return levels ? TS_FFBCmd(*levels) : glove.lastFFB;
        }

        TS_BuzzCmd BuzzOr(const LevelList& levels, const HapticGlove& glove)
        {
            return levels ? TS_BuzzCmd(*levels) : glove.lastBuzz;
        }

        // The effect of the last command written to each Tessara, which the library does not
        // keep (lastThumper is a magnitude, which effects never set). Keyed by the glove object
        // the library shares, so that every Python object of one glove agrees, as on lastFFB.
        // Touched only under the GIL.
        using EffectMap = std::map<std::weak_ptr<TSDevice>, int, std::owner_less<std::weak_ptr<TSDevice>>>;
        EffectMap& SentEffects()
        {
            static EffectMap effects;
            return effects;
        }

        void RememberEffect(const GloveRef& g, TS_ThumperCmd effect)
        {
            auto& effects = SentEffects();
            for (auto it = effects.begin(); it != effects.end();)
                it = it->first.expired() ? effects.erase(it) : std::next(it);
            effects[g.device] = static_cast<int>(effect);
        }

        py::object LastThumper(const GloveRef& g)
        {
            if (dynamic_cast<Tessara*>(g.glove) == nullptr)
                return py::int_(Locked([&] { return g.glove->lastThumper.magnitude; }));
            const auto& effects = SentEffects();
            const auto it = effects.find(g.device);
            return Enum("ThumperEffect", it == effects.end() ? static_cast<int>(TS_ThumperCmd::None) : it->second);
        }

        // "a, b and c".
        std::string Listed(const std::vector<std::string>& items)
        {
            std::string out;
            for (std::size_t i = 0; i < items.size(); ++i)
                out += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
            return out;
        }

        // "levels 0 and 30" and "middle finger and ring finger" for levels[from...].
        void DescribeDropped(const std::vector<int>& levels, std::size_t from, std::string& values,
                             std::string& fingers)
        {
            static const char* const names[] = {"thumb", "index finger", "middle finger", "ring finger", "pinky"};
            std::vector<std::string> v, f;
            for (std::size_t i = from; i < levels.size() && i < 5; ++i)
            {
                v.push_back(std::to_string(levels[i]));
                f.push_back(names[i]);
            }
            values = v.size() == 1 ? "level " + v[0] : "levels " + Listed(v);
            fingers = Listed(f);
        }

        // A Kelvo has force feedback on thumb to ring finger and vibration on thumb and index
        // finger; levels given for the other channels are not sent, which the caller hears of
        // (as from `tscore haptics`). A single level means every channel the glove has.
        void WarnDroppedChannels(py::handle ffbArg, const LevelList& ffb, py::handle buzzArg, const LevelList& buzz)
        {
            const auto dropped = [](py::handle arg, const LevelList& levels, std::size_t kept)
            {
                if (!levels || !py::hasattr(arg, "__iter__"))
                    return false;
                return std::any_of(levels->begin() + static_cast<std::ptrdiff_t>(std::min(kept, levels->size())),
                                   levels->end(), [](int level) { return level != 0; });
            };
            std::vector<std::string> messages;
            std::string values, fingers;
            if (dropped(ffbArg, ffb, 4))
            {
                DescribeDropped(*ffb, 4, values, fingers);
                messages.push_back("a Kelvo has no force feedback on the " + fingers + ": its " + values +
                                   " is not sent");
            }
            if (dropped(buzzArg, buzz, 2))
            {
                DescribeDropped(*buzz, 2, values, fingers);
                messages.push_back("a Kelvo vibrates on the thumb and index finger only: the " + values + " for the " +
                                   fingers + (buzz->size() == 3 ? " is" : " are") + " not sent");
            }
            for (const auto& message : messages)
                if (PyErr_WarnEx(PyExc_UserWarning, message.c_str(), 1) != 0)
                    throw py::error_already_set(); // warnings turned into errors: nothing is sent
        }

        void SendTessara(GloveRef& g, Tessara& tessara, const LevelList& ffb, const LevelList& buzz,
                         py::handle thumperArg)
        {
            if (!ffb && !buzz && thumperArg.is_none())
                throw py::value_error("send_haptics needs ffb, buzz or thumper");
            const TS_ThumperCmd effect = thumperArg.is_none() ? TS_ThumperCmd::None : Effect(thumperArg);
            // One overload for every combination: it says whether the command was written. What
            // is not given is completed from the last commands, as the single-kind calls do.
            const bool sent =
                Call([&] { return tessara.SendHaptics(FFBOr(ffb, tessara), BuzzOr(buzz, tessara), effect); });
            if (sent)
                RememberEffect(g, effect);
        }

        void SendHaptics(GloveRef& g, py::handle ffbArg, py::handle buzzArg, py::handle thumperArg)
        {
            LevelList ffb, buzz;
            if (!ffbArg.is_none())
                ffb = Levels(ffbArg, "ffb");
            if (!buzzArg.is_none())
                buzz = Levels(buzzArg, "buzz");
            if (auto* tessara = dynamic_cast<Tessara*>(g.glove))
                return SendTessara(g, *tessara, ffb, buzz, thumperArg);
            std::optional<int> thumper;
            if (!thumperArg.is_none())
                thumper = Magnitude(thumperArg);
            if (!ffb && !buzz && !thumper)
                throw py::value_error("send_haptics needs ffb, buzz or thumper");
            if (dynamic_cast<Kelvo*>(g.glove) != nullptr)
                WarnDroppedChannels(ffbArg, ffb, buzzArg, buzz);
            HapticGlove* glove = g.glove;
            Call(
                [&]
                {
                    // The single-kind overloads complete the others from the last commands sent.
                    if (ffb && !buzz && !thumper)
                        glove->SendHaptics(TS_FFBCmd(*ffb));
                    else if (buzz && !ffb && !thumper)
                        glove->SendHaptics(TS_BuzzCmd(*buzz));
                    else if (thumper && !ffb && !buzz)
                        glove->SendHaptics(ThumperCmd(*thumper));
                    else if (!thumper)
                        glove->SendHaptics(TS_FFBCmd(*ffb), TS_BuzzCmd(*buzz));
                    else
                        glove->SendHaptics(FFBOr(ffb, *glove), BuzzOr(buzz, *glove), ThumperCmd(*thumper));
                });
        }

        void StopHaptics(GloveRef& g)
        {
            if (auto* tessara = dynamic_cast<Tessara*>(g.glove))
            {
                // What StopHaptics sends to a Tessara, through the overload that tells success.
                if (Call([&] { return tessara->SendHaptics(TS_FFBCmd::off, TS_BuzzCmd::off, TS_ThumperCmd::None); }))
                    RememberEffect(g, TS_ThumperCmd::None);
                return;
            }
            Call([&] { g.glove->StopHaptics(); });
        }

        py::tuple LevelTuple(const std::vector<int>& levels)
        {
            py::tuple t(levels.size());
            for (std::size_t i = 0; i < levels.size(); ++i)
                t[i] = levels[i];
            return t;
        }

        // Connection facts, read from the service's record of the device on every call.
        void BindDeviceLink(py::class_<DeviceRef>& device)
        {
            device
                .def(
                    "is_connected", [](const DeviceRef& d) { return Call([&] { return d.device->IsConnected(); }); },
                    "True while the service marks the device connected. Wraps TSDevice::IsConnected.")
                .def(
                    "packets_per_second",
                    [](const DeviceRef& d) { return Call([&] { return d.device->PacketsPerSecond(); }); },
                    "The packet rate the service reports; 0 when unknown. Wraps TSDevice::PacketsPerSecond.")
                .def(
                    "address", [](const DeviceRef& d) { return Text(Call([&] { return d.device->GetAddress(); })); },
                    "Wraps TSDevice::GetAddress.")
                .def(
                    "connection_type",
                    [](const DeviceRef& d) {
                        return Enum("ConnectionType",
                                    static_cast<int>(Call([&] { return d.device->GetConnectionType(); })));
                    },
                    "A ConnectionType (a plain int for a number the library gives no name).\n"
                    "Wraps TSDevice::GetConnectionType.")
                .def("sensor_text", &SensorTextOf, py::arg("per_call") = false,
                     "The latest raw sensor string; None when it cannot be read, and (through the module's\n"
                     "reader) once the device is gone from the service's list or disconnected, or the\n"
                     "service stopped. Reads through ServiceReader; per_call=True wraps\n"
                     "DeviceList::GetSensorDataString.")
                .def(
                    "__str__", [](const DeviceRef& d) { return Text(Locked([&] { return d.device->ToString(); })); },
                    "Wraps TSDevice::ToString.")
                .def("__repr__",
                     [](const DeviceRef& d)
                     {
                         const auto [text, key] =
                             Locked([&] { return std::make_pair(d.device->ToString(), d.device->GetDeviceKey()); });
                         return py::str("<{} {}>").format(Text(text), Text(key));
                     })
                .def(
                    "__eq__", [](const DeviceRef& a, const DeviceRef& b) { return a.device == b.device; },
                    py::is_operator(), "The same device object of the library.")
                .def("__hash__", [](const DeviceRef& d) { return std::hash<TSDevice*>()(d.device.get()); });
        }

        void BindDevice(py::module_& m)
        {
            py::class_<DeviceRef> device(
                m, "Device",
                "A device the connection service announces. Wraps TSCore::TSDevice. Identity is fixed;\n"
                "the connection facts are read from the service on each call.");
            BindDeviceLink(device);
            RefusePickle(device);
            device
                .def_property_readonly(
                    "key", [](const DeviceRef& d) { return Text(Locked([&] { return d.device->GetDeviceKey(); })); },
                    "\"device\" + index: the device's name in shared memory. Wraps TSDevice::GetDeviceKey.")
                .def_property_readonly(
                    "index", [](const DeviceRef& d) { return Locked([&] { return d.device->GetDeviceIndex(); }); },
                    "Wraps TSDevice::GetDeviceIndex.")
                .def_property_readonly(
                    "device_type",
                    [](const DeviceRef& d)
                    { return Enum("DeviceType", static_cast<int>(Locked([&] { return d.device->GetDeviceType(); }))); },
                    "A DeviceType. Wraps TSDevice::GetDeviceType.")
                .def_property_readonly(
                    "device_id",
                    [](const DeviceRef& d) { return Text(Locked([&] { return d.device->GetDeviceID(); })); },
                    "Wraps TSDevice::GetDeviceID.")
                .def_property_readonly(
                    "hardware_version",
                    [](const DeviceRef& d) { return Text(Locked([&] { return d.device->GetHardwareVersion(); })); },
                    "Wraps TSDevice::GetHardwareVersion.")
                .def_property_readonly(
                    "firmware_version",
                    [](const DeviceRef& d) { return Locked([&] { return d.device->GetFirmwareVersion(); }); },
                    "Wraps TSDevice::GetFirmwareVersion.")
                .def_property_readonly(
                    "sub_firmware_version",
                    [](const DeviceRef& d) { return Locked([&] { return d.device->GetSubFirmwareVersion(); }); },
                    "Wraps TSDevice::GetSubFirmwareVersion.")
                .def_property_readonly(
                    "firmware",
                    [](const DeviceRef& d) { return Text(Locked([&] { return d.device->GetFirmwareString(); })); },
                    "\"firmware.sub\", e.g. \"4.7\". Wraps TSDevice::GetFirmwareString.");
        }

        void BindBetaDevice(py::module_& m)
        {
            py::class_<BetaRef, DeviceRef>(
                m, "BetaDevice", "Development hardware whose texts pass through unchanged. Wraps TSCore::BetaDevice.")
                .def_property_readonly(
                    "constants",
                    [](const BetaRef& b) { return Text(Locked([&] { return b.beta->GetConstantsString(); })); },
                    "The constants text it was announced with. Wraps BetaDevice::GetConstantsString.")
                .def(
                    "send",
                    [](BetaRef& b, const std::string& command)
                    {
                        if (command.find('\0') != std::string::npos)
                            throw py::value_error("a command cannot hold a NUL character");
                        return Call([&] { return b.beta->SendHaptics(command); });
                    },
                    py::arg("command"),
                    "Writes a raw command text; False when it could not be written.\n"
                    "Wraps BetaDevice::SendHaptics.");
        }

        py::object CalibrationRange(const GloveRef& g)
        {
            std::vector<Vect3D> lo, hi;
            Locked([&] { g.glove->GetCalibrationRange(lo, hi); });
            if (lo.empty() || hi.empty())
                return py::none();
            return py::make_tuple(ToArray(lo, 5), ToArray(hi, 5));
        }

        void BindGloveReadings(py::class_<GloveRef, DeviceRef>& glove);
        void BindGloveCommands(py::class_<GloveRef, DeviceRef>& glove);

        void BindGlove(py::module_& m)
        {
            py::class_<GloveRef, DeviceRef> glove(
                m, "Glove",
                "A glove that gives hand poses and takes haptic commands. Wraps TSCore::HapticGlove.\n"
                "Readings return None when no complete reading is there (no service, glove gone).");
            BindGloveReadings(glove);
            BindGloveCommands(glove);
        }

        void BindGloveReadings(py::class_<GloveRef, DeviceRef>& glove)
        {
            glove
                .def_property_readonly(
                    "is_right", [](const GloveRef& g) { return Locked([&] { return g.glove->IsRight(); }); },
                    "Wraps HapticGlove::IsRight.")
                .def("hand_pose", &HandPoseOf, py::arg("profile") = nullptr, py::arg("model") = nullptr,
                     py::arg("per_call") = false,
                     "The wearer's hand pose through the glove's part of profile (default: the uncalibrated\n"
                     "profile of the glove's side) on model (default: the default hand of that side); None\n"
                     "without a complete reading, and once the glove is gone from the service's list or\n"
                     "disconnected, or the service stopped. A complete reading widens the calibration\n"
                     "range. The pose carries its reading's time, orientation and is_new (no call read this\n"
                     "reading before). Reads through ServiceReader::HandPoseFromText; per_call=True wraps\n"
                     "HapticGlove::GetHandPose (no stamp, no rule).")
                .def("_frame", &StreamFrame, py::arg("profile"), py::arg("model"), py::arg("cursor"))
                .def("imu_rotation", &IMURotationOf, py::arg("per_call") = false,
                     "(4,) float32 x, y, z, w: the hand's orientation; None when none was read, as\n"
                     "hand_pose(). Reads through ServiceReader::IMURotationFromText; per_call=True wraps\n"
                     "HapticGlove::GetIMURotation.");
        }

        void BindGloveCommands(py::class_<GloveRef, DeviceRef>& glove)
        {
            glove
                .def("send_haptics", &SendHaptics, py::arg("ffb") = py::none(), py::arg("buzz") = py::none(),
                     py::arg("thumper") = py::none(),
                     "Sends force feedback and vibration (an int for every finger, or up to five levels\n"
                     "thumb first, 0..100 percent) and a thumper command: on a Tessara a ThumperEffect, on a\n"
                     "Kelvo a magnitude 0..100. What is not given is completed from the last commands sent.\n"
                     "A Kelvo takes force feedback for four fingers (thumb to ring) and vibration for two\n"
                     "(thumb, index): give it 4 and 2 levels; a non-zero level for a channel it lacks is\n"
                     "not sent, with a UserWarning.\n"
                     "Wraps HapticGlove::SendHaptics (Tessara::SendHaptics with a TS_ThumperCmd).")
                .def("stop_haptics", &StopHaptics,
                     "Switches force feedback, vibration and thumper off. Wraps HapticGlove::StopHaptics.")
                .def_property_readonly(
                    "last_ffb",
                    [](const GloveRef& g) { return LevelTuple(Locked([&] { return g.glove->lastFFB.GetLevels(); })); },
                    "Levels of the last force feedback written. Reads HapticGlove::lastFFB.")
                .def_property_readonly(
                    "last_buzz",
                    [](const GloveRef& g) { return LevelTuple(Locked([&] { return g.glove->lastBuzz.GetLevels(); })); },
                    "Levels of the last vibration written. Reads HapticGlove::lastBuzz.")
                .def_property_readonly(
                    "last_thumper", &LastThumper,
                    "The thumper of the last command written: on a Kelvo its magnitude (reads\n"
                    "HapticGlove::lastThumper), on a Tessara its ThumperEffect (NONE when it carried none,\n"
                    "and before any command).")
                .def(
                    "calibration_values",
                    [](GloveRef& g) -> py::object
                    {
                        std::vector<Vect3D> values;
                        const bool ok = Call([&] { return g.glove->GetCalibrationValues(values); });
                        return ok ? py::object(ToArray(values, 5)) : py::none();
                    },
                    "(5, 3) float32: the per-finger calibration values of the latest complete reading;\n"
                    "None without one. Wraps HapticGlove::GetCalibrationValues.")
                .def(
                    "reset_calibration_range", [](GloveRef& g) { Call([&] { g.glove->ResetCalibrationRange(); }); },
                    "Starts a new calibration range. Wraps HapticGlove::ResetCalibrationRange.")
                .def(
                    "update_calibration_range", [](GloveRef& g) { Call([&] { g.glove->UpdateCalibrationRange(); }); },
                    "Widens the range by the current reading. Wraps HapticGlove::UpdateCalibrationRange.")
                .def("calibration_range", &CalibrationRange,
                     "(minimum, maximum), each (5, 3) float32 copies: per finger the values seen since the\n"
                     "last reset (a fresh range starts inverted, the minimum above the maximum); None when\n"
                     "the glove keeps none. Wraps HapticGlove::GetCalibrationRange.")
                .def(
                    "update_calibration",
                    [](GloveRef& g, HandProfile& p) { Call([&] { g.glove->UpdateCalibration(p); }); },
                    py::arg("profile"),
                    "Widens the range by the current reading, then writes it into the glove's\n"
                    "part of profile. Wraps HapticGlove::UpdateCalibration.")
                .def(
                    "apply_calibration",
                    [](GloveRef& g, HandProfile& p) { Call([&] { g.glove->ApplyCalibration(p); }); },
                    py::arg("profile"),
                    "Writes the range into the glove's part of profile.\n"
                    "Wraps HapticGlove::ApplyCalibration.");
        }
        template <class Reading, class Ref, class Read>
        py::object OptionalReading(Ref& r, Read read)
        {
            auto reading = std::make_unique<Reading>();
            const bool ok = Call([&] { return read(r, *reading); });
            return ok ? py::cast(std::move(reading)) : py::none();
        }

        const BasicHandModel& ModelOr(const HandModelObject* model, bool right)
        {
            return model ? model->model : DefaultModel(right);
        }

        void BindTessara(py::module_& m)
        {
            using TSCore::TS::TS_GloveInfo;
            using TSCore::TS::TS_GlovePose;
            using TSCore::TS::TS_SensorData;

            py::class_<TessaraRef, GloveRef>(m, "Tessara",
                                             "The exoskeleton force-feedback glove. Wraps TSCore::TS::Tessara.")
                .def_property_readonly(
                    "info", [](const TessaraRef& t) { return Locked([&] { return t.tessara->GetGloveModel(); }); },
                    "A copy of the glove's TSGloveInfo. Wraps Tessara::GetGloveModel.")
                .def(
                    "sensor_data",
                    [](TessaraRef& t)
                    {
                        return OptionalReading<TS_SensorData>(t, [](TessaraRef& r, TS_SensorData& d)
                                                              { return r.tessara->GetSensorData(d); });
                    },
                    "The latest reading when it is complete, else None. Wraps Tessara::GetSensorData.")
                .def(
                    "glove_pose",
                    [](TessaraRef& t) {
                        return OptionalReading<TS_GlovePose>(t, [](TessaraRef& r, TS_GlovePose& g)
                                                             { return r.tessara->GetGlovePose(g); });
                    },
                    "The linkage pose of the latest complete reading, else None. Wraps Tessara::GetGlovePose.")
                .def_static(
                    "calculate_glove_pose",
                    [](const TS_SensorData& data, const TS_GloveInfo& info)
                    { return Call([&] { return Tessara::CalculateGlovePose(data, info); }); },
                    py::arg("data"), py::arg("info"),
                    "The linkage pose of a reading (the idle pose for an incomplete one), without a device.\n"
                    "Wraps Tessara::CalculateGlovePose.")
                .def_static(
                    "calculate_hand_pose",
                    [](const TS_GlovePose& pose, const HandProfile& profile, const HandModelObject* model)
                    {
                        return Call(
                            [&]
                            {
                                const auto& p = profile.tsProfile;
                                return std::make_unique<HandPoseObject>(
                                    Tessara::CalculateHandPose(pose, ModelOr(model, p.isRight), p));
                            });
                    },
                    py::arg("glove_pose"), py::arg("profile"), py::arg("model") = nullptr,
                    "The hand pose of a glove pose through the exoskeleton part of profile, without a device.\n"
                    "Wraps Tessara::CalculateHandPose.");
        }

        void BindKelvo(py::module_& m)
        {
            using TSCore::Kelvo::Kelvo_SensorData;

            py::class_<KelvoRef, GloveRef>(
                m, "Kelvo",
                "The Kelvo glove: sensors for thumb, index, middle and ring finger; the pinky\n"
                "follows the ring finger. Wraps TSCore::Kelvo::Kelvo.")
                .def_property_readonly(
                    "info", [](const KelvoRef& k) { return Locked([&] { return k.kelvo->GetGloveModel(); }); },
                    "A copy of the glove's KelvoGloveInfo. Wraps Kelvo::GetGloveModel.")
                .def(
                    "sensor_data",
                    [](KelvoRef& k)
                    {
                        return OptionalReading<Kelvo_SensorData>(k, [](KelvoRef& r, Kelvo_SensorData& d)
                                                                 { return r.kelvo->GetSensorData(d); });
                    },
                    "The latest reading when it is complete, else None. Wraps Kelvo::GetSensorData.")
                .def_static(
                    "calculate_hand_pose",
                    [](const Kelvo_SensorData& data, const HandProfile& profile, const HandModelObject* model)
                    {
                        return Call(
                            [&]
                            {
                                const auto& p = profile.kelvoProfile;
                                return std::make_unique<HandPoseObject>(
                                    Kelvo::CalculateHandPose(ModelOr(model, p.isRight), data, p));
                            });
                    },
                    py::arg("data"), py::arg("profile"), py::arg("model") = nullptr,
                    "The hand pose of a reading through the Kelvo part of profile, without a device.\n"
                    "Wraps Kelvo::CalculateHandPose.");
        }

        template <class T, class Get>
        py::object CopyOf(Get get)
        {
            auto copy = Call(
                [&]() -> std::shared_ptr<TSDevice>
                {
                    T found;
                    return get(found) ? std::make_shared<T>(std::move(found)) : nullptr;
                });
            return Wrap(copy);
        }

        // The family getters hand out copies of the cached gloves.
        void BindFamilyDiscovery(py::module_& m)
        {
            m.def(
                "tessara",
                [](std::optional<bool> right)
                {
                    return CopyOf<Tessara>([&](Tessara& t)
                                           { return right ? Tessara::GetTessara(*right, t) : Tessara::GetTessara(t); });
                },
                py::arg("right") = py::none(),
                "A copy of the first connected exoskeleton glove (of the given side); None when there is\n"
                "none. Calibration gathered on a copy stays with it. Wraps Tessara::GetTessara.");
            m.def(
                "tessaras",
                [](bool onlyConnected)
                {
                    std::vector<std::shared_ptr<TSDevice>> gloves;
                    Call(
                        [&]
                        {
                            for (auto& t : Tessara::GetTessaras(onlyConnected))
                                gloves.push_back(std::make_shared<Tessara>(std::move(t)));
                        });
                    return WrapAll(gloves);
                },
                py::arg("only_connected") = true, "Copies of the exoskeleton gloves. Wraps Tessara::GetTessaras.");
            m.def(
                "kelvo",
                [](std::optional<bool> right) {
                    return CopyOf<Kelvo>([&](Kelvo& k)
                                         { return right ? Kelvo::GetKelvo(*right, k) : Kelvo::GetKelvo(k); });
                },
                py::arg("right") = py::none(),
                "A copy of the first connected Kelvo glove; with a side, the first of that side, connected\n"
                "or not. None when there is none. Wraps Kelvo::GetKelvo.");
            m.def(
                "kelvos",
                []
                {
                    std::vector<std::shared_ptr<TSDevice>> gloves;
                    Call(
                        [&]
                        {
                            for (auto& k : Kelvo::GetKelvos())
                                gloves.push_back(std::make_shared<Kelvo>(std::move(k)));
                        });
                    return WrapAll(gloves);
                },
                "Copies of every Kelvo glove, connected or not. Wraps Kelvo::GetKelvos.");
        }

        void BindCacheControl(py::module_& m)
        {
            m.def(
                "dispose", [] { Call([] { DeviceList::Dispose(); }); },
                "Releases the library's device cache, which tessara(), kelvo(), tessaras() and kelvos()\n"
                "copy from, and stops its discovery until reinitialize(); gloves held in Python keep\n"
                "working, and glove(), devices() and haptic_gloves() (the module's reader) are not\n"
                "touched. Wraps DeviceList::Dispose.");
            m.def(
                "reinitialize", [] { Call([] { DeviceList::ReInitialize(); }); },
                "Lifts dispose(); the cache's next discovery finds every device anew.\n"
                "Wraps DeviceList::ReInitialize.");
        }
    }

    void BindDevices(py::module_& m)
    {
        BindDevice(m);
        BindBetaDevice(m);
        BindGlove(m);
        BindTessara(m);
        BindKelvo(m);
        BindFamilyDiscovery(m);
        BindCacheControl(m);
    }
}
