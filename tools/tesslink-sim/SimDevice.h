#pragma once

// One class per kind of simulated device. Each gives the record it announces (with
// state '1'; the service applies connect/disconnect) and its sensor text over time.

#include "Brakes.h"
#include "Motion.h"
#include "Noise.h"
#include "RecordText.h"
#include "Replay.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TessLinkSim
{
    // Connection type announced for every simulated device (a USB-like link).
    constexpr int simConnectionType = 2;

    struct MotionSettings
    {
        Motion::Pattern pattern = Motion::Pattern::Wave;
        double period = 4.0;
        // Sensor noise, as a fraction of each sensor's open-to-fist span.
        double noise = 0.0;
    };

    class SimDevice
    {
    public:
        virtual ~SimDevice() = default;

        // Short description for --verbose.
        virtual std::string Describe() const = 0;

        virtual std::string Record(int pps, const std::string& address) const = 0;

        // Sensor text at t seconds after start; called once per publish.
        virtual std::string SensorText(double t) = 0;

        // Holds the fingers at the given closures, or (nullopt) returns them to the motion;
        // false for a device without fingers.
        virtual bool SetFlexion(const std::optional<Flexion>& flexion);

        // A command's force-feedback levels, thumb first, braking the fingers from t seconds
        // on; false for a device without fingers.
        virtual bool SetForce(const std::vector<int>& levels, double t);

        // The brakes at t seconds (Brakes::ToString); empty for a device without fingers.
        virtual std::string BrakeState(double t);
    };

    // A simulated glove: a hand shape from its motion (or held by SetFlexion), braked by its
    // force feedback, with noise.
    class GloveSim : public SimDevice
    {
    public:
        bool SetFlexion(const std::optional<Flexion>& flexion) override;
        bool SetForce(const std::vector<int>& levels, double t) override;
        std::string BrakeState(double t) override;

    protected:
        GloveSim(bool right, int serial, MotionSettings motion, Motion::Family family);
        // The shape at t seconds, braked; calls come in time order.
        Motion::Shape ShapeAt(double t);
        Noise* SensorNoise() { return &noise; }
        const char* Side() const { return right ? "right" : "left"; }

        bool right;
        int serial;
        MotionSettings motion;

    private:
        Motion::Family family;
        Noise noise;
        std::optional<Flexion> flexed;
        Brakes brakes;
    };

    // Development hardware: constants as given, text "beta <counter>" or a fixed text.
    class BetaSim : public SimDevice
    {
    public:
        BetaSim(std::string constants, std::optional<std::string> fixedText, bool stress = false);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

    private:
        std::string constants;
        std::optional<std::string> fixedText;
        bool stress;
        std::uint64_t counter = 0;
    };

    // A record published verbatim, with an empty sensor text.
    class RecordSim : public SimDevice
    {
    public:
        explicit RecordSim(std::string record);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

    private:
        std::string record;
    };

    // Exoskeleton glove: the standard "QX7.2" constants of its side with an identity of its
    // own, or (standard) the standard string verbatim.
    class TessaraSim : public GloveSim
    {
    public:
        static constexpr const char* defaultFirmware = "4.7";

        // `serial` numbers the gloves of the run (it seeds their noise); `constants` is what
        // Constants or StandardConstants made.
        TessaraSim(bool right, int serial, std::string constants, MotionSettings motion);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

        // "QX7.2-R0001"-style identity of glove `serial`. The firmware text goes in as written
        // ("4.6" reads as sub-version 6).
        static std::string Constants(bool right, int serial, const std::string& firmwareText);
        // The standard string: identity QX7.2-R0008 or QX7.2-L0007, firmware in printf's "%f".
        static std::string StandardConstants(bool right, float firmware);

    private:
        std::string constants;
    };

    // Second glove model: four sensor entries of raw readings plus the orientation.
    class KelvoSim : public GloveSim
    {
    public:
        // `serial` numbers the gloves of the run so that their identities differ.
        KelvoSim(bool right, int serial, MotionSettings motion);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

        static std::string Constants(bool right, int serial);
    };

    // One device of a recording; the track is shared by all devices of the file.
    class ReplaySim : public SimDevice
    {
    public:
        ReplaySim(std::shared_ptr<ReplayTrack> track, std::size_t device);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

    private:
        std::shared_ptr<ReplayTrack> track;
        std::size_t device;
    };
}
