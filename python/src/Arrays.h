#pragma once

// Conversions between the library's vectors and numpy float32 arrays. Lists are written into
// fixed shapes: an entry a list lacks reads NaN, an entry beyond the shape is left out.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Vect3D.h>

#include <cstddef>
#include <initializer_list>
#include <limits>
#include <vector>

namespace tscore_py
{
    namespace py = pybind11;
    using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

    constexpr float nan = std::numeric_limits<float>::quiet_NaN();

    inline void Write(float* out, const TSCore::Kinematics::Vect3D& v)
    {
        out[0] = v.x;
        out[1] = v.y;
        out[2] = v.z;
    }
    inline void Write(float* out, const TSCore::Kinematics::Quat& q)
    {
        out[0] = q.x;
        out[1] = q.y;
        out[2] = q.z;
        out[3] = q.w;
    }
    inline void Write(float* out, float value) { out[0] = value; }

    template <class T>
    constexpr std::size_t width = sizeof(T) / sizeof(float);

    /// Fills rows x width<T> floats from a list of values, NaN where the list is short.
    template <class T>
    void Fill(float* out, const std::vector<T>& values, std::size_t rows)
    {
        for (std::size_t r = 0; r < rows; ++r)
        {
            float* row = out + r * width<T>;
            if (r < values.size())
                Write(row, values[r]);
            else
                std::fill(row, row + width<T>, nan);
        }
    }

    /// Fills rows x cols x width<T> floats from nested lists.
    template <class T>
    void Fill(float* out, const std::vector<std::vector<T>>& values, std::size_t rows, std::size_t cols)
    {
        static const std::vector<T> none;
        for (std::size_t r = 0; r < rows; ++r)
            Fill(out + r * cols * width<T>, r < values.size() ? values[r] : none, cols);
    }

    /// A new float32 array of that shape (C order), uninitialised.
    FloatArray NewArray(std::initializer_list<py::ssize_t> shape);

    template <class T>
    FloatArray ToArray(const std::vector<T>& values, py::ssize_t rows)
    {
        FloatArray a = width<T> == 1 ? NewArray({rows}) : NewArray({rows, static_cast<py::ssize_t>(width<T>)});
        Fill(a.mutable_data(), values, static_cast<std::size_t>(rows));
        return a;
    }

    template <class T>
    FloatArray ToArray(const std::vector<std::vector<T>>& values, py::ssize_t rows, py::ssize_t cols)
    {
        FloatArray a =
            width<T> == 1 ? NewArray({rows, cols}) : NewArray({rows, cols, static_cast<py::ssize_t>(width<T>)});
        Fill(a.mutable_data(), values, static_cast<std::size_t>(rows), static_cast<std::size_t>(cols));
        return a;
    }

    FloatArray ToArray(const TSCore::Kinematics::Quat& q);

    /// The longest inner list, for arrays whose inner length varies by record.
    template <class T>
    py::ssize_t LongestRow(const std::vector<std::vector<T>>& values)
    {
        std::size_t n = 0;
        for (const auto& row : values)
            n = std::max(n, row.size());
        return static_cast<py::ssize_t>(n);
    }

    /// A read-only float32 view of memory that owner keeps alive.
    py::array ReadOnlyView(const float* data, std::initializer_list<py::ssize_t> shape, py::handle owner);

    /// An array-like of exactly this shape as float32, or ValueError naming the argument.
    FloatArray ShapedArray(py::handle value, std::initializer_list<py::ssize_t> shape, const char* name);

    std::vector<std::vector<TSCore::Kinematics::Vect3D>> Vects2D(const float* data, std::size_t rows, std::size_t cols);
    std::vector<std::vector<TSCore::Kinematics::Quat>> Quats2D(const float* data, std::size_t rows, std::size_t cols);
    std::vector<TSCore::Kinematics::Vect3D> Vects(const float* data, std::size_t rows);
}
