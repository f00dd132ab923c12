#pragma once

// Shared by the binding files: each adds its part of the module.

#include <pybind11/pybind11.h>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include <memory>
#include <string>

namespace tscore_py
{
    namespace py = pybind11;

    void BindPoses(py::module_& m);
    void BindRecords(py::module_& m);
    void BindDevices(py::module_& m);

    /// A library text as str; bytes that are not UTF-8 (a hostile service) become U+FFFD.
    py::str Text(const std::string& text);

    /// A docstring built at run time, kept for the life of the module.
    const char* Doc(std::string text);

    /// The Finger value of an int 0..4; ValueError otherwise.
    int FingerIndex(int finger);

    /// A hand pose with its arrays laid out once, so that Python reads them as views.
    struct HandPoseObject
    {
        TSCore::HandPose pose;
        float angles[5][3][3];
        float positions[5][4][3];
        float rotations[5][4][4];
        float flexion[5];

        explicit HandPoseObject(TSCore::HandPose p);
    };
    using HandPosePtr = std::unique_ptr<HandPoseObject>;

    /// A hand model as Python holds it. BasicHandModel has virtual functions but no virtual
    /// destructor, so it is never deleted through its own pointer type.
    struct HandModelObject final
    {
        TSCore::Kinematics::BasicHandModel model;
    };

    /// The default hand model of a side, built once; read under the library mutex.
    const TSCore::Kinematics::BasicHandModel& DefaultModel(bool right);
}
