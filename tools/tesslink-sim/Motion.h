#pragma once

// Hand motion of the simulated gloves and the sensor texts made from it.

#include <array>
#include <string>

namespace TessLinkSim::Motion
{
    enum class Pattern
    {
        Open,  // open hand, held
        Fist,  // closed hand, held
        Wave,  // each finger closes and opens in turn over one period
        Pinch  // thumb and index half closed, held
    };

    constexpr int fingerCount = 5;
    constexpr int exoSensorsPerFinger = 4;

    // Linkage sensor angles in radians of a right exoskeleton glove, per finger (thumb
    // first) from the hand outwards: the sideways angle of the first joint, then the
    // three flexion angles. OPEN is the standard sensor string. FIST is an estimate to be
    // tuned against the library: about 200 degrees of total linkage flexion per finger
    // (the uncalibrated profile reaches full flexion at 220), 110 at the thumb, and the
    // thumb swung from -90 to -60 degrees sideways. A left glove mirrors the sideways angle.
    struct ExoLinkagePoses
    {
        std::array<std::array<double, exoSensorsPerFinger>, fingerCount> open;
        std::array<std::array<double, exoSensorsPerFinger>, fingerCount> fist;
    };

    constexpr ExoLinkagePoses exoLinkagePoses{
        {{
            {-1.570, -0.012, -0.337, 0.000},
            {0.061, -0.165, 0.000, 0.024},
            {-0.030, -0.251, -0.012, 0.000},
            {-0.306, -0.220, -0.012, 0.141},
            {-0.478, -0.098, -0.441, 0.000},
        }},
        {{
            {-1.050, 0.600, 0.650, 0.650},
            {0.061, 1.150, 1.200, 1.150},
            {-0.030, 1.150, 1.200, 1.150},
            {-0.306, 1.150, 1.200, 1.150},
            {-0.478, 1.100, 1.150, 1.100},
        }},
    };

    // Raw readings of the second glove model, per sensor entry (thumb, index, middle,
    // ring): flexion reading for all four, plus the thumb's sideways reading.
    struct KelvoReadingPoses
    {
        std::array<int, 4> openFlexion;
        std::array<int, 4> fistFlexion;
        int openThumbSpread;
        int fistThumbSpread;
    };

    constexpr KelvoReadingPoses kelvoReadingPoses{{100, 100, 100, 100}, {900, 900, 900, 900}, 200, 700};

    // Degrees per second of the simulated wrist turn about z.
    constexpr double orientationDegreesPerSecond = 5.0;

    struct Quaternion
    {
        double x, y, z, w;
    };

    // Closure of each finger at time t, 0 open to 1 closed.
    std::array<double, fingerCount> Closure(Pattern pattern, double t, double period, int fingers);

    // Unit quaternion turning slowly about z.
    Quaternion Orientation(double t);

    // "0:<angles per finger>:<x;y;z;w>:0:0", three decimals, like the standard string.
    std::string ExoSensorText(const std::array<double, fingerCount>& closure, bool right, const Quaternion& q);

    // "<thumb flexion;spread>|<index>|<middle>|<ring>:<x;y;z;w>".
    std::string KelvoSensorText(const std::array<double, fingerCount>& closure, const Quaternion& q);

    // Fixed three-decimal text of a number; never "-0.000".
    std::string Fixed3(double value);

    bool ParsePattern(const std::string& text, Pattern& out);
}
