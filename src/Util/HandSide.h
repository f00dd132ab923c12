#pragma once

// The hand field of every text: 'L' first means a left hand, any other first character a right
// one. Formats differ in what an empty field means, so each reader names its rule.

#include <string_view>

namespace TSCore::Util::detail
{
    enum class EmptySide
    {
        Right, ///< stored poses and profiles: a missing side reads as right
        Left,  ///< constants strings and the hand model: a missing side reads as left
    };

    inline bool ReadsRight(std::string_view field, EmptySide empty) noexcept
    {
        return field.empty() ? empty == EmptySide::Right : field[0] != 'L';
    }

    inline const char* SideText(bool right) noexcept { return right ? "R" : "L"; }
}
