#pragma once

namespace TSCore
{
    /// Kind of a device. The same numbers stand in the type field of a device record.
    enum class DeviceType : int
    {
        Unknown = -2,    ///< no known kind (the TSDevice and HapticGlove default)
        BetaDevice = -1, ///< development hardware, texts passed through unchanged
        Tessara = 0,     ///< exoskeleton force-feedback glove
        Kelvo = 2,       ///< second glove model
    };
}
