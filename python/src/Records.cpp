// The glove records and readings, for offline work: parse a constants string and a sensor
// string, then compute poses without a device. Immutable from Python.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"

#include <TSCore/Kelvo/Kelvo_GloveInfo.h>
#include <TSCore/Kelvo/Kelvo_SensorData.h>
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TS_GlovePose.h>
#include <TSCore/TS/TS_SensorData.h>

namespace tscore_py
{
    using TSCore::Kelvo::Kelvo_GloveInfo;
    using TSCore::Kelvo::Kelvo_SensorData;
    using TSCore::TS::TS_GloveInfo;
    using TSCore::TS::TS_GlovePose;
    using TSCore::TS::TS_SensorData;

    namespace
    {
        // The records are immutable from Python: a copy is the record itself. They have no
        // stored form to pickle.
        template <class Class>
        void BindImmutable(Class& c)
        {
            RefusePickle(c);
            c.def("__copy__", [](py::object self) { return self; })
                .def(
                    "__deepcopy__", [](py::object self, py::handle) { return self; }, py::arg("memo"));
        }

        // Identity fields shared by both families' glove records.
        template <class Info>
        void BindIdentity(py::class_<Info>& c, const char* cxx)
        {
            const std::string type = cxx;
            BindImmutable(c);
            c.def_property_readonly(
                 "device_id", [](const Info& i) { return Text(i.deviceID); }, Doc("Reads " + type + "::deviceID."))
                .def_property_readonly(
                    "hardware_version", [](const Info& i) { return Text(i.hardwareVersion); },
                    Doc("Reads " + type + "::hardwareVersion."))
                .def_readonly("firmware_version", &Info::firmwareVersion, Doc("Reads " + type + "::firmwareVersion."))
                .def_readonly("sub_firmware_version", &Info::subFirmwareVersion,
                              Doc("Reads " + type + "::subFirmwareVersion."))
                .def_readonly("is_right", &Info::isRight, Doc("Reads " + type + "::isRight."))
                .def_readonly("num_sensors", &Info::numSensors, Doc("Reads " + type + "::numSensors."))
                .def(
                    "__str__", [](const Info& i) { return Text(Locked([&] { return i.ToString(); })); },
                    Doc("Wraps " + type + "::ToString."));
        }

        // Orientation and counters shared by both families' readings.
        template <class Data>
        void BindReading(py::class_<Data>& c, const char* cxx)
        {
            const std::string type = cxx;
            BindImmutable(c);
            c.def_property_readonly(
                 "imu_rotation", [](const Data& d) { return ToArray(d.imuRotation); },
                 Doc("(4,) float32 copy, x, y, z, w: the corrected orientation. Reads " + type + "::imuRotation."))
                .def_readonly("imu_parsed", &Data::imuParsed,
                              Doc("True when the text carried an orientation. Reads " + type + "::imuParsed."))
                .def_readonly("parsed_values", &Data::parsedValues,
                              Doc("Number of sensor values read. Reads " + type + "::parsedValues."))
                .def(
                    "__eq__", [](const Data& a, const Data& b) { return Locked([&] { return a.Equals(b); }); },
                    py::is_operator(), Doc("Wraps " + type + "::Equals."))
                .def(
                    "__str__", [](const Data& d) { return Text(Locked([&] { return d.ToString(); })); },
                    Doc("Wraps " + type + "::ToString."));
        }

        void BindTessaraRecords(py::module_& m)
        {
            py::class_<TS_GloveInfo> info(
                m, "TSGloveInfo",
                "Constants of one exoskeleton glove: identity, firmware, side and linkage geometry.\n"
                "Wraps TSCore::TS::TS_GloveInfo.");
            info.def_static(
                "parse",
                [](const std::string& constants, bool correctOld) -> py::object
                {
                    auto parsed = Locked(
                        [&]() -> std::unique_ptr<TS_GloveInfo>
                        {
                            auto out = std::make_unique<TS_GloveInfo>();
                            return TS_GloveInfo::Parse(constants, *out, correctOld) ? std::move(out) : nullptr;
                        });
                    return parsed ? py::cast(std::move(parsed)) : py::none();
                },
                py::arg("constants"), py::arg("correct_old") = true,
                "The record of a constants string \"C:id:hw:vM.S:side:n:...\"; None when it is unusable.\n"
                "With correct_old, old QX7 firmware gets the factory geometry. Wraps TS_GloveInfo::Parse.");
            info.def(
                "__eq__",
                [](const TS_GloveInfo& a, const TS_GloveInfo& b) { return Locked([&] { return a.Equals(b, false); }); },
                py::is_operator(), "Wraps TS_GloveInfo::Equals(other, false).");
            BindIdentity(info, "TS_GloveInfo");

            py::class_<TS_SensorData> data(m, "TSSensorData",
                                           "One reading of an exoskeleton glove. Wraps TSCore::TS::TS_SensorData.");
            data.def_static(
                    "parse",
                    [](const std::string& text, const TS_GloveInfo& info)
                    { return Call([&] { return TS_SensorData::Parse(text, info); }); },
                    py::arg("text"), py::arg("info"),
                    "The reading of a sensor string; never fails: unreadable values are left out and not\n"
                    "counted (compare parsed_values with info.num_sensors). Wraps TS_SensorData::Parse.")
                .def_property_readonly(
                    "angles", [](const TS_SensorData& d) { return ToArray(d.sensorAngles, 5, 4); },
                    "(5, 4) float32 copy: per finger the linkage sensor angles in radians, from the hand\n"
                    "outwards; NaN where the reading has none. Reads TS_SensorData::sensorAngles.");
            BindReading(data, "TS_SensorData");
        }

        void BindTessaraGlovePose(py::module_& m)
        {
            py::class_<TS_GlovePose> pose(
                m, "TSGlovePose",
                "The shape of the exoskeleton's linkages. Wraps TSCore::TS::TS_GlovePose. Arrays are\n"
                "float32 copies, NaN-padded to the longest finger.");
            BindImmutable(pose);
            pose.def_readonly("is_right", &TS_GlovePose::isRight, "Reads TS_GlovePose::isRight.")
                .def_property_readonly(
                    "angles",
                    [](const TS_GlovePose& g) { return ToArray(g.gloveAngles, 5, LongestRow(g.gloveAngles)); },
                    "(5, n, 3): per finger the linkage joint angles in radians. Reads TS_GlovePose::gloveAngles.")
                .def_property_readonly(
                    "positions",
                    [](const TS_GlovePose& g) { return ToArray(g.jointPositions, 5, LongestRow(g.jointPositions)); },
                    "(5, m, 3) mm: per finger from the linkage start to the thimble.\n"
                    "Reads TS_GlovePose::jointPositions.")
                .def_property_readonly(
                    "rotations",
                    [](const TS_GlovePose& g) { return ToArray(g.jointRotations, 5, LongestRow(g.jointRotations)); },
                    "(5, m, 4) x, y, z, w, one per entry of positions. Reads TS_GlovePose::jointRotations.")
                .def(
                    "__eq__",
                    [](const TS_GlovePose& a, const TS_GlovePose& b) { return Locked([&] { return a.Equals(b); }); },
                    py::is_operator(), "Wraps TS_GlovePose::Equals.")
                .def(
                    "__str__", [](const TS_GlovePose& g) { return Text(Locked([&] { return g.ToString(true); })); },
                    "Wraps TS_GlovePose::ToString(true).");
        }

        void BindKelvoRecords(py::module_& m)
        {
            py::class_<Kelvo_GloveInfo> info(
                m, "KelvoGloveInfo", "Identity and constants of a Kelvo glove. Wraps TSCore::Kelvo::Kelvo_GloveInfo.");
            info.def_static(
                "parse",
                [](const std::string& constants) -> py::object
                {
                    auto parsed = Locked(
                        [&]() -> std::unique_ptr<Kelvo_GloveInfo>
                        {
                            auto out = std::make_unique<Kelvo_GloveInfo>();
                            return Kelvo_GloveInfo::Parse(constants, *out) ? std::move(out) : nullptr;
                        });
                    return parsed ? py::cast(std::move(parsed)) : py::none();
                },
                py::arg("constants"),
                "The record of a constants string \"x:id:hw:fw:hand:x:imu\"; None when it is unusable.\n"
                "Wraps Kelvo_GloveInfo::Parse.");
            info.def(
                "__eq__",
                [](const Kelvo_GloveInfo& a, const Kelvo_GloveInfo& b) { return Locked([&] { return a.Equals(b); }); },
                py::is_operator(), "Wraps Kelvo_GloveInfo::Equals.");
            BindIdentity(info, "Kelvo_GloveInfo");

            py::class_<Kelvo_SensorData> data(m, "KelvoSensorData",
                                              "One reading of a Kelvo glove. Wraps TSCore::Kelvo::Kelvo_SensorData.");
            data.def_static(
                    "parse",
                    [](const std::string& text, const Kelvo_GloveInfo& info)
                    { return Call([&] { return Kelvo_SensorData::Parse(text, info); }); },
                    py::arg("text"), py::arg("info"),
                    "The reading of a sensor string; an unreadable text gives an empty reading\n"
                    "(parsed_values 0). Wraps Kelvo_SensorData::Parse.")
                .def_property_readonly(
                    "values",
                    [](const Kelvo_SensorData& d)
                    { return ToArray(d.sensorAngles, static_cast<py::ssize_t>(d.sensorAngles.size())); },
                    "(n, 3) float32 copy: per sensor (thumb, index, middle, ring) (0, first, second raw\n"
                    "reading). Reads Kelvo_SensorData::sensorAngles.");
            BindReading(data, "Kelvo_SensorData");
        }
    }

    void BindRecords(py::module_& m)
    {
        BindTessaraRecords(m);
        BindTessaraGlovePose(m);
        BindKelvoRecords(m);
    }
}
