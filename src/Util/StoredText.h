#pragma once

// How every stored object reads itself back: its text split into top-level blocks, read by a
// function that names its fields, and one answer to an unreadable text. A number outside its
// type anywhere in the text, or memory running out, makes the text unreadable: the reason is
// logged at Errors and the type's documented fallback is the result. Nothing is thrown.

#include <string>

#include "Diagnostics/Log.h"
#include "Util/FieldReader.h"
#include "Util/Guard.h"

namespace TSCore::Util::detail
{
    template <typename Read, typename Fallback>
    auto ReadStored(const std::string& text, Read&& read, Fallback&& fallback) -> decltype(fallback())
    {
        const auto unreadable = [&fallback](const std::string& why)
        {
            TSCORE_LOG(Errors, why);
            return fallback();
        };
        return Guard(
            [&]() -> decltype(fallback())
            {
                FieldReader blocks = FieldReader::Blocks(text);
                auto value = read(blocks);
                if (blocks.Ok())
                    return value;
                return unreadable(blocks.Error());
            },
            unreadable);
    }
}
