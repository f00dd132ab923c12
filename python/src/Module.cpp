// The extension module tscore._tscore; the package tscore re-exports it with the enums and the
// pose iterator written in Python.

#include "Arrays.h"
#include "Bindings.h"
#include "LibraryCall.h"
#include "ServiceLink.h"

#include <TSCore/Diagnostics/Debugger.h>
#include <TSCore/Util/Library.h>

#include <deque>

namespace tscore_py
{
    using TSCore::Diagnostics::Debugger;
    using TSCore::Diagnostics::DebugLevel;

    py::str Text(const std::string& text)
    {
        PyObject* s = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
        if (s == nullptr)
            throw py::error_already_set();
        return py::reinterpret_steal<py::str>(s);
    }

    const char* Doc(std::string text)
    {
        static std::deque<std::string> kept;
        return kept.emplace_back(std::move(text)).c_str();
    }

    int FingerIndex(int finger)
    {
        if (finger < 0 || finger > 4)
            throw py::value_error("finger must be 0 (thumb) to 4 (pinky), got " + std::to_string(finger));
        return finger;
    }

    namespace
    {
        void BindLibrary(py::module_& m)
        {
            m.def(
                "version", [] { return Locked([] { return TSCore::Library::Version(); }); },
                "\"TSCore C++ Library v1.1.1\". Wraps Library::Version.");
            m.def(
                "debug_level", [] { return static_cast<int>(Locked([] { return Debugger::debugLevel; })); },
                "The logging threshold as an int (see DebugLevel). Reads Debugger::debugLevel.");
            m.def(
                "set_debug_level",
                [](int level)
                {
                    if (level < 0 || level > 3)
                        throw py::value_error("debug level must be 0 (off) to 3 (verbose), got " +
                                              std::to_string(level));
                    Locked([&] { Debugger::debugLevel = static_cast<DebugLevel>(level); });
                },
                py::arg("level"), "Sets the logging threshold; log lines go to sys.stdout. Sets Debugger::debugLevel.");
            m.def(
                "to_euler",
                [](py::handle q)
                {
                    const FloatArray a = ShapedArray(q, {4}, "q");
                    const TSCore::Kinematics::Quat quat(a.data()[0], a.data()[1], a.data()[2], a.data()[3]);
                    return ToArray(std::vector<TSCore::Kinematics::Vect3D>{quat.ToEuler()}, 1).attr("reshape")(3);
                },
                py::arg("q"),
                "(3,) float32 (bank, heading, attitude) in radians of a quaternion (x, y, z, w): the\n"
                "decomposition q = qy * qz * qx. Wraps Quat::ToEuler.");
        }
    }
}

PYBIND11_MODULE(_tscore, m)
{
    m.doc() = "Bindings of libTSCore; import tscore instead.";
    tscore_py::BindLibrary(m);
    tscore_py::BindPoses(m);
    tscore_py::BindRecords(m);
    tscore_py::BindDevices(m);
    tscore_py::BindServiceLink(m);
    tscore_py::BindRecordings(m);
#if defined(TSCORE_PY_RETARGET)
    tscore_py::BindRetarget(m);
#endif
}
