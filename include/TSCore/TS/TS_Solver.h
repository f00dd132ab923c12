#pragma once

namespace TSCore::TS
{
    /// Which solver turns a glove pose into a hand pose. Any value other than Interpolation
    /// stands for no solver: the hand pose is then the idle hand.
    enum class TS_Solver : int
    {
        Interpolation = 0,
    };
}
