#pragma once

// Hand motion of the simulated gloves and the sensor texts made from it.

#include <array>
#include <string>

namespace TessLinkSim
{
    class Noise;
}

namespace TessLinkSim::Motion
{
    enum class Pattern
    {
        Open, // open hand, held
        Fist, // closed hand, held
        Wave, // each finger closes and opens in turn over one period
        Pinch // thumb and index tips together, held
    };

    enum class Family
    {
        Exo,
        Kelvo
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

    // A hand shape on the open (0) to fist (1) scale of each sensor: the closure of every
    // finger, and the thumb's sideways swing, which a pinch takes past the fist's.
    struct Shape
    {
        std::array<double, fingerCount> closure{};
        double thumbSwing = 0.0;
    };

    // Pinch shapes per family and side. The uncalibrated profiles of the two sides differ, so
    // each side has its own; tuned against them so that the thumb and index tips meet within
    // about a millimetre (the readings are rounded to three decimals on the way).
    struct PinchShapes
    {
        Shape exoRight, exoLeft, kelvoRight, kelvoLeft;
    };

    constexpr PinchShapes pinchShapes{
        {{{0.61, 0.69, 0.0, 0.0, 0.0}}, 1.50},
        {{{0.43, 0.66, 0.0, 0.0, 0.0}}, 1.23},
        {{{0.41875, 0.65, 0.0, 0.0, 0.0}}, 0.72},
        {{{0.19375, 0.60625, 0.0, 0.0, 0.0}}, 0.52},
    };

    // Closure of each finger at time t, 0 open to 1 closed, for the patterns other than Pinch.
    std::array<double, fingerCount> Closure(Pattern pattern, double t, double period, int fingers);

    // The shape a glove of the family and side shows at time t.
    Shape ShapeAt(Pattern pattern, double t, double period, Family family, bool right);

    // Every finger at the same closure, the thumb swinging with its flexion.
    Shape ShapeOf(const std::array<double, fingerCount>& closure);

    // Unit quaternion turning slowly about z.
    Quaternion Orientation(double t);

    // "0:<angles per finger>:<x;y;z;w>:0:0", three decimals, like the standard string. Noise,
    // when given, moves each sensor by up to its amount times the sensor's open-to-fist span.
    std::string ExoSensorText(const Shape& shape, bool right, const Quaternion& q, Noise* noise = nullptr);

    // "<thumb flexion;spread>|<index>|<middle>|<ring>:<x;y;z;w>", raw readings.
    std::string KelvoSensorText(const Shape& shape, const Quaternion& q, Noise* noise = nullptr);

    // Fixed three-decimal text of a number; never "-0.000".
    std::string Fixed3(double value);

    bool ParsePattern(const std::string& text, Pattern& out);
}
