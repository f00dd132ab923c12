#pragma once

// Bounded IDL strings are fixed character arrays in the generated types.

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace TSCoreBridge
{
    /// Copies text and its terminating NUL into the array; false when it does not fit.
    template <std::size_t N>
    bool CopyBounded(std::string_view text, char (&out)[N])
    {
        if (text.size() >= N)
            return false;
        std::memcpy(out, text.data(), text.size());
        out[text.size()] = '\0';
        return true;
    }

    /// The text up to the first NUL, never past the array.
    template <std::size_t N>
    std::string FromBounded(const char (&in)[N])
    {
        return std::string(in, strnlen(in, N));
    }
}
