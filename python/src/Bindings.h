#pragma once

// Shared by the binding files: each adds its part of the module.

#include <pybind11/pybind11.h>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include <memory>
#include <string>

namespace tscore_py
{
    namespace py = pybind11;

    void BindPoses(py::module_& m);
    void BindRecords(py::module_& m);
    void BindDevices(py::module_& m);
    void BindRecordings(py::module_& m);
    void BindRetarget(py::module_& m); ///< only when libTSCoreRetarget is built

    /// A __reduce__ that refuses, for the classes that have no stored form: without it, pickle
    /// protocols 0 and 1 fall back on a reconstructor that aborts the interpreter.
    template <class Class>
    void RefusePickle(Class& c)
    {
        c.def("__reduce__",
              [](py::handle self) -> py::tuple {
                  throw py::type_error(
                      py::str("cannot pickle '{}' object").format(py::type::of(self).attr("__name__")));
              });
    }

    /// A library text as str; bytes that are not UTF-8 (a hostile service) become U+FFFD.
    py::str Text(const std::string& text);

    /// A docstring built at run time, kept for the life of the module.
    const char* Doc(std::string text);

    /// The Finger value of an int 0..4; ValueError otherwise.
    int FingerIndex(int finger);

    /// A hand pose with its arrays laid out once, so that Python reads them as views. A pose
    /// read from a stream of readings also carries the reading's time stamp and orientation.
    struct HandPoseObject
    {
        TSCore::HandPose pose;
        float angles[5][3][3];
        float positions[5][4][3];
        float rotations[5][4][4];
        float flexion[5];
        double readingTime;   ///< seconds since 1970 when the reading was first seen; NaN: none
        bool isNew = false;   ///< the first pose of its reading in a stream
        float orientation[4]; ///< x, y, z, w of the reading; NaN when it carried none

        explicit HandPoseObject(TSCore::HandPose p);
    };
    using HandPosePtr = std::unique_ptr<HandPoseObject>;

    /// A hand model as Python holds it. BasicHandModel has virtual functions but no virtual
    /// destructor, so it is never deleted through its own pointer type.
    struct HandModelObject final
    {
        TSCore::Kinematics::BasicHandModel model;
    };

    /// The default hand model and profile of a side, built once; read under the library mutex.
    const TSCore::Kinematics::BasicHandModel& DefaultModel(bool right);
    const TSCore::HandProfile& DefaultProfile(bool right);
}
