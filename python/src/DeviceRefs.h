#pragma once

// What a Python device object holds: the library's device through a shared pointer, so that a
// device stays usable whatever the library or the module's reader do with their own lists.

#include <pybind11/pybind11.h>

#include <TSCore/Devices/BetaDevice.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Devices/TSDevice.h>
#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace tscore_py
{
    namespace py = pybind11;

    struct DeviceRef
    {
        std::shared_ptr<TSCore::TSDevice> device;
        /// Where the module's reader listed it, as of that generation of the reader's list (none
        /// yet: the largest value); touched only under the library mutex.
        std::uint64_t generation = std::numeric_limits<std::uint64_t>::max();
        std::size_t position = TSCore::ServiceReader::npos;
    };
    struct BetaRef : DeviceRef
    {
        TSCore::BetaDevice* beta = nullptr;
    };
    struct GloveRef : DeviceRef
    {
        TSCore::HapticGlove* glove = nullptr;
    };
    struct TessaraRef : GloveRef
    {
        TSCore::TS::Tessara* tessara = nullptr;
    };
    struct KelvoRef : GloveRef
    {
        TSCore::Kelvo::Kelvo* kelvo = nullptr;
    };

    /// The Python object of the device's most derived class; None for an empty pointer.
    py::object Wrap(const std::shared_ptr<TSCore::TSDevice>& device);

    template <class T>
    py::list WrapAll(const std::vector<std::shared_ptr<T>>& devices)
    {
        py::list out;
        for (const auto& d : devices)
            out.append(Wrap(d));
        return out;
    }
}
