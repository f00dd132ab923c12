#pragma once

// Positional access to split fields and blocks. A text from shared memory or a file may
// hold fewer fields than its format names, so every read by position goes through here
// and an absent field reads as empty instead of past the end of the list.

#include <cstddef>
#include <vector>

namespace TSCore::Util::detail
{
    template <typename T>
    const T& FieldAt(const std::vector<T>& fields, std::size_t index)
    {
        static const T empty{};
        return index < fields.size() ? fields[index] : empty;
    }

    /// True when the field at `index` exists and begins with `c`.
    template <typename T>
    bool FieldStartsWith(const std::vector<T>& fields, std::size_t index, char c)
    {
        const T& field = FieldAt(fields, index);
        return !field.empty() && field[0] == c;
    }
}
