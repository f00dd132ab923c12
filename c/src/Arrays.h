#pragma once

// Copies of the library's vectors and quaternions into flat caller arrays, NaN (missing) where a list is
// short, so that a missing joint never reads as a real zero.

#include <cstddef>
#include <limits>
#include <vector>

#include <TSCore/Kinematics/Quat.h>
#include <TSCore/Kinematics/Vect3D.h>

namespace tscore_c
{
    constexpr float missing = std::numeric_limits<float>::quiet_NaN();

    inline float* Put(float* out, const TSCore::Kinematics::Vect3D& v)
    {
        out[0] = v.x;
        out[1] = v.y;
        out[2] = v.z;
        return out + 3;
    }

    inline float* Put(float* out, const TSCore::Kinematics::Quat& q)
    {
        out[0] = q.x;
        out[1] = q.y;
        out[2] = q.z;
        out[3] = q.w;
        return out + 4;
    }

    template <class T>
    constexpr std::size_t widthOf = sizeof(T) / sizeof(float);

    /// rows entries of values, each widthOf<T> floats.
    template <class T>
    float* PutRows(float* out, const std::vector<T>& values, std::size_t rows)
    {
        for (std::size_t r = 0; r < rows; ++r)
        {
            if (r < values.size())
            {
                out = Put(out, values[r]);
                continue;
            }
            for (std::size_t i = 0; i < widthOf<T>; ++i)
                *out++ = missing;
        }
        return out;
    }

    /// rows x cols entries of nested lists.
    template <class T>
    void PutGrid(float* out, const std::vector<std::vector<T>>& values, std::size_t rows, std::size_t cols)
    {
        static const std::vector<T> none;
        for (std::size_t r = 0; r < rows; ++r)
            out = PutRows(out, r < values.size() ? values[r] : none, cols);
    }
}
