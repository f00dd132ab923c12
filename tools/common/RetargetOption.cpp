#include "RetargetOption.h"

namespace ToolCommon
{
    bool ReadRetargetOption(const std::string& given, std::array<bool, 2>& taken, std::size_t& side, std::string& path,
                            std::string& error)
    {
        const auto equals = given.find('=');
        const std::string name = given.substr(0, equals);
        if (equals == std::string::npos || (name != "right" && name != "left") || equals + 1 == given.size())
        {
            error = "--retarget takes right=CONFIG or left=CONFIG, not '" + given + "'";
            return false;
        }
        side = name == "right" ? 0 : 1;
        if (taken[side])
        {
            error = "--retarget names two robot hands for the " + name + " glove";
            return false;
        }
        taken[side] = true;
        path = given.substr(equals + 1);
        return true;
    }
}
