#include "SimDevice.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace TessLinkSim
{
    using namespace TSCoreLink;

    namespace
    {
        // printf's "%f": six decimals, no exponent, independent of the locale.
        std::string FormatFloat(float value)
        {
            char buffer[64];
            const auto result =
                std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, 6);
            return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string("0.000000");
        }

        constexpr const char* exoStartValues =
            "-47;-52;-22;11;69;-145|44;-33;7;5;0;0|62;-11;8;0;0;0|56;11;8;0;0;0|43;34;7;-5;0;0";
        constexpr const char* exoSectionGroup = "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12";
        constexpr const char* exoSensorCount = "20";
        constexpr const char* exoImuCorrection = "0;0;90";
    }

    bool SimDevice::SetFlexion(const std::optional<Flexion>&) { return false; }

    bool SimDevice::SetForce(const std::vector<int>&, double) { return false; }

    std::string SimDevice::BrakeState(double) { return std::string(); }

    GloveSim::GloveSim(bool right, int serial, MotionSettings motion, Motion::Family family)
        : right(right), serial(serial), motion(motion), family(family),
          noise(motion.noise, static_cast<unsigned>(serial))
    {
    }

    bool GloveSim::SetFlexion(const std::optional<Flexion>& flexion)
    {
        flexed = flexion;
        return true;
    }

    bool GloveSim::SetForce(const std::vector<int>& levels, double t)
    {
        ShapeAt(t); // the hold points are where the fingers are now
        brakes.SetLevels(levels);
        return true;
    }

    std::string GloveSim::BrakeState(double t)
    {
        ShapeAt(t);
        return brakes.ToString();
    }

    Motion::Shape GloveSim::ShapeAt(double t)
    {
        Motion::Shape shape =
            flexed ? Motion::ShapeOf(*flexed) : Motion::ShapeAt(motion.pattern, t, motion.period, family, right);
        const Flexion reached = brakes.Apply(shape.closure, t);
        // The thumb's sideways swing stops short by as much as its flexion.
        shape.thumbSwing -= shape.closure[0] - reached[0];
        shape.closure = reached;
        return shape;
    }

    BetaSim::BetaSim(std::string constants, std::optional<std::string> fixedText, bool stress)
        : constants(std::move(constants)), fixedText(std::move(fixedText)), stress(stress)
    {
    }

    std::string BetaSim::Describe() const { return "beta " + constants; }

    std::string BetaSim::Record(int pps, const std::string& address) const
    {
        return BuildRecord('1', pps, DeviceKind::Beta, constants, address, simConnectionType);
    }

    std::string BetaSim::SensorText(double)
    {
        if (fixedText)
            return *fixedText;
        if (stress)
        {
            // Lengths vary from write to write, so a torn copy mixes two texts visibly.
            const std::uint64_t n = counter++;
            std::string text = "stress:" + std::to_string(n) + ":" +
                               std::string(static_cast<std::size_t>(n % 400), static_cast<char>('a' + n % 26));
            std::uint32_t hash = 2166136261u;
            for (const char c : text)
                hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
            return text + ":" + std::to_string(hash);
        }
        return "beta " + std::to_string(counter++);
    }

    RecordSim::RecordSim(std::string record) : record(std::move(record)) {}

    std::string RecordSim::Describe() const { return "record " + record; }

    std::string RecordSim::Record(int, const std::string&) const { return record; }

    std::string RecordSim::SensorText(double) { return std::string(); }

    TessaraSim::TessaraSim(bool right, int serial, std::string constants, MotionSettings motion)
        : GloveSim(right, serial, motion, Motion::Family::Exo), constants(std::move(constants))
    {
    }

    std::string TessaraSim::Describe() const
    {
        return std::string("tessara ") + Side() + " " + SplitFields(constants, ':')[1];
    }

    std::string TessaraSim::Record(int pps, const std::string& address) const
    {
        return BuildRecord('1', pps, DeviceKind::Tessara, constants, address, simConnectionType);
    }

    std::string TessaraSim::SensorText(double t)
    {
        return Motion::ExoSensorText(ShapeAt(t), right, Motion::Orientation(t), SensorNoise());
    }

    std::string TessaraSim::StandardConstants(bool right, float firmware)
    {
        return Constants(right, right ? 8 : 7, FormatFloat(firmware));
    }

    std::string TessaraSim::Constants(bool right, int serial, const std::string& firmwareText)
    {
        char id[32];
        std::snprintf(id, sizeof id, "QX7.2-%c%04d", right ? 'R' : 'L', serial % 10000);
        std::string text = std::string("C:") + id + ":QX7.2:v";
        text += firmwareText;
        text += right ? ":R:3:" : ":L:3:";
        text += exoStartValues;
        text += ':';
        for (int f = 0; f < Motion::fingerCount; ++f)
        {
            if (f > 0)
                text += '|';
            text += exoSectionGroup;
        }
        text += ':';
        text += exoSensorCount;
        text += ':';
        text += exoImuCorrection;
        return text;
    }

    KelvoSim::KelvoSim(bool right, int serial, MotionSettings motion)
        : GloveSim(right, serial, motion, Motion::Family::Kelvo)
    {
    }

    std::string KelvoSim::Describe() const { return std::string("kelvo ") + Side() + " #" + std::to_string(serial); }

    std::string KelvoSim::Record(int pps, const std::string& address) const
    {
        return BuildRecord('1', pps, DeviceKind::Kelvo, Constants(right, serial), address, simConnectionType);
    }

    std::string KelvoSim::SensorText(double t)
    {
        // Thumb, index, middle and ring: the pinky has no sensor of its own.
        return Motion::KelvoSensorText(ShapeAt(t), Motion::Orientation(t), SensorNoise());
    }

    std::string KelvoSim::Constants(bool right, int serial)
    {
        // marker : identity : hardware : firmware : side : sensor entries : IMU mounting angles
        char id[32];
        std::snprintf(id, sizeof id, "KV1-%c%04d", right ? 'R' : 'L', serial % 10000);
        return std::string("C:") + id + ":KV1:v2.1:" + (right ? "R" : "L") + ":4:0;0;0";
    }

    ReplaySim::ReplaySim(std::shared_ptr<ReplayTrack> track, std::size_t device)
        : track(std::move(track)), device(device)
    {
    }

    std::string ReplaySim::Describe() const { return "replay of " + track->Devices()[device].key; }

    std::string ReplaySim::Record(int pps, const std::string&) const
    {
        std::string record = ReplaceField(track->Devices()[device].record, 0, "1");
        return ReplaceField(record, 1, std::to_string(pps));
    }

    std::string ReplaySim::SensorText(double t)
    {
        track->Advance(t);
        return track->Text(device);
    }
}
