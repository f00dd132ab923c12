#pragma once

// The one writer of the nested-block text that every stored object uses. Each element type has
// one writer (AppendItem); a list writes its elements back to back, numbers joined by ';', flags
// as one character each, composite elements in their own block.

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"
#include "Util/HandSide.h"
#include "Util/NumberFormat.h"

namespace TSCore::Util::detail
{
    /// The components joined by sep, each with six decimals: "x;y;z" or "x, y, z".
    void AppendComponents(std::string& out, const Kinematics::Vect3D& v, std::string_view sep);
    void AppendComponents(std::string& out, const Kinematics::Quat& q, std::string_view sep);

    inline void AppendItem(std::string& out, float value) { AppendNumber(out, value); }
    inline void AppendItem(std::string& out, bool flag) { out += flag ? '1' : '0'; }
    inline void AppendItem(std::string& out, const Kinematics::Vect3D& v) { AppendComponents(out, v, ";"); }
    inline void AppendItem(std::string& out, const Kinematics::Quat& q) { AppendComponents(out, q, ";"); }

    template <typename T>
    void AppendItem(std::string& out, const std::vector<T>& list)
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
