#include "Arrays.h"

#include <string>

namespace tscore_py
{
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Vect3D;

    FloatArray NewArray(std::initializer_list<py::ssize_t> shape)
    {
        return FloatArray(std::vector<py::ssize_t>(shape));
    }

    FloatArray ToArray(const Quat& q)
    {
        FloatArray a = NewArray({4});
        Write(a.mutable_data(), q);
        return a;
    }

    py::array ReadOnlyView(const float* data, std::initializer_list<py::ssize_t> shape, py::handle owner)
    {
        py::array a(py::dtype::of<float>(), std::vector<py::ssize_t>(shape), data, owner);
        py::detail::array_proxy(a.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
        return a;
    }

    namespace
    {
        std::string ShapeText(std::initializer_list<py::ssize_t> shape)
        {
            std::string text = "(";
            for (auto d : shape)
                text += (text.size() > 1 ? ", " : "") + std::to_string(d);
            return text + (shape.size() == 1 ? ",)" : ")");
        }
    }

    FloatArray ShapedArray(py::handle value, std::initializer_list<py::ssize_t> shape, const char* name)
    {
        // forcecast turns any real numbers into float32; what is not numeric fails here.
        FloatArray a;
        try
        {
            a = FloatArray::ensure(value);
        }
        catch (py::error_already_set&)
        {
        }
        if (!a)
        {
            PyErr_Clear();
            throw py::type_error(std::string(name) + " must be an array of numbers of shape " + ShapeText(shape));
        }
        bool same = a.ndim() == static_cast<py::ssize_t>(shape.size());
        for (std::size_t i = 0; same && i < shape.size(); ++i)
            same = a.shape(static_cast<py::ssize_t>(i)) == *(shape.begin() + i);
        if (!same)
            throw py::value_error(std::string(name) + " must have shape " + ShapeText(shape));
        return a;
    }

    std::vector<std::vector<Vect3D>> Vects2D(const float* data, std::size_t rows, std::size_t cols)
    {
        std::vector<std::vector<Vect3D>> out(rows);
        for (std::size_t r = 0; r < rows; ++r)
            out[r] = Vects(data + r * cols * 3, cols);
        return out;
    }

    std::vector<std::vector<Quat>> Quats2D(const float* data, std::size_t rows, std::size_t cols)
    {
        std::vector<std::vector<Quat>> out(rows);
        for (std::size_t r = 0; r < rows; ++r)
            for (std::size_t c = 0; c < cols; ++c)
            {
                const float* q = data + (r * cols + c) * 4;
                out[r].emplace_back(q[0], q[1], q[2], q[3]);
            }
        return out;
    }

    std::vector<Vect3D> Vects(const float* data, std::size_t rows)
    {
        std::vector<Vect3D> out;
        out.reserve(rows);
        for (std::size_t r = 0; r < rows; ++r)
            out.emplace_back(data[r * 3], data[r * 3 + 1], data[r * 3 + 2]);
        return out;
    }
}
