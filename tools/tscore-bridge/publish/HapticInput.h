#pragma once

// The checks of haptic levels that come from ROS 2 (std_msgs/Float32MultiArray on the force
// and vibration topics, the robot's sensor_msgs/JointState efforts). Plain arrays in, levels
// out, nothing kept: a sample that fails a check is dropped whole, never partly applied.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TSCoreBridge::HapticInput
{
    inline constexpr std::size_t digits = 5;
    /// Per digit, thumb first: 0 nothing, 1 full.
    using Levels = std::array<float, digits>;

    /// Joint states longer than this are refused (a robot hand has a few dozen joints).
    inline constexpr std::uint32_t maxJoints = 1024;

    enum class Verdict
    {
        Ok,
        Count,       ///< not one value per digit (nor one per channel of the glove)
        NotFinite,   ///< NaN or infinite
        OutOfRange,  ///< a level outside 0..1
        Malformed,   ///< lengths that disagree, a missing name, too many joints
        NoKnownJoint ///< names none of the configured joints
    };

    /// Why a sample was dropped, for the statistics and notes: "count", "not finite", ...
    const char* VerdictName(Verdict verdict);

    /// The values of a Float32MultiArray from data_offset on: five levels, thumb first, or as many
    /// as the glove has channels (a Kelvo's 4 forces, thumb to ring, or 2 vibrations, thumb and
    /// index), each 0..1. Levels beyond the glove's channels are 0 in out; dropped tells whether
    /// any of them was not 0 (the glove cannot take it).
    Verdict CheckLevels(const float* data, std::uint32_t length, std::uint32_t offset, std::size_t channels,
                        Levels& out, bool& dropped);

    /// A digit's force from the robot's efforts: none below minEffort, full at maxEffort or more,
    /// linear between, from the largest magnitude among its joints.
    struct EffortDigit
    {
        std::size_t digit = 0;
        std::vector<std::string> joints;
        double minEffort = 0.0;
        double maxEffort = 1.0;
    };

    /// A JointState's names and efforts: one effort per name, each finite, at least one name
    /// among the configured joints. Digits whose joints the sample does not name get 0.
    Verdict EffortLevels(const char* const* names, std::uint32_t nameCount, const double* efforts,
                         std::uint32_t effortCount, const std::vector<EffortDigit>& config, Levels& out);
}
