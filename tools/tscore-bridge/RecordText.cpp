#include "RecordText.h"

#include <algorithm>
#include <cstddef>

namespace TSCoreBridge::RecordText
{
    namespace
    {
        constexpr char separator = '@';
        constexpr std::size_t minFields = 6;
    }

    bool WellFormed(std::string_view record)
    {
        return static_cast<std::size_t>(std::count(record.begin(), record.end(), separator)) + 1 >= minFields;
    }
}
