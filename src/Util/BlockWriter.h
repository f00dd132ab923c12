#pragma once

// The one writer of the nested-block text that every stored object uses. Each element type has
// one writer (an ItemWriter specialisation, fmt's formatter<T>: the vector and quaternion ones
// live with their types in Kinematics/VectorText.h); a list writes its elements back to back,
// numbers joined by ';', flags as one character each, composite elements in their own block.

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "Util/HandSide.h"
#include "Util/NumberFormat.h"

namespace TSCore::Util::detail
{
    template <typename T>
    struct ItemWriter;

    template <typename T>
    void AppendItem(std::string& out, const T& value)
    {
        ItemWriter<T>::Append(out, value);
    }

    /// The count numbers joined by sep, each with six decimals: "x;y;z" or "x, y, z".
    void AppendJoined(std::string& out, const float* values, std::size_t count, std::string_view sep);

    template <>
    struct ItemWriter<float>
    {
        static void Append(std::string& out, float value) { AppendNumber(out, value); }
    };

    template <>
    struct ItemWriter<bool>
    {
        static void Append(std::string& out, bool flag) { out += flag ? '1' : '0'; }
    };

    template <typename T>
    struct ItemWriter<std::vector<T>>
    {
        static void Append(std::string& out, const std::vector<T>& list)
        {
            // Numbers and flags stand bare in their list; everything else gets a block of its own.
            constexpr bool enclosed = !std::is_arithmetic_v<T>;
            for (std::size_t i = 0; i < list.size(); ++i)
            {
                if (std::is_same_v<T, float> && i > 0)
                    out += ';';
                if (enclosed)
                    out += '{';
                if constexpr (std::is_same_v<T, bool>)
                    AppendItem(out, static_cast<bool>(list[i])); // std::vector<bool> hands out proxies
                else
                    AppendItem(out, list[i]);
                if (enclosed)
                    out += '}';
            }
        }
    };

    /// A value's text, wrapped in one more block when enclose (Serializer::Serialize).
    template <typename T>
    std::string WriteItem(const T& value, bool enclose)
    {
        std::string s;
        if (enclose)
            s += '{';
        AppendItem(s, value);
        if (enclose)
            s += '}';
        return s;
    }

    /// A stored text built field by field, each field one block, in the order of the calls.
    class BlockWriter
    {
    public:
        BlockWriter& Side(bool right) { return Text(SideText(right)); }
        BlockWriter& Int(int value) { return Text(std::to_string(value)); }
        BlockWriter& Text(std::string_view text)
        {
            out += '{';
            out += text;
            out += '}';
            return *this;
        }
        template <typename T>
        BlockWriter& Value(const T& value)
        {
            out += '{';
            AppendItem(out, value);
            out += '}';
            return *this;
        }
        std::string Take() { return std::move(out); }

    private:
        std::string out;
    };
}
