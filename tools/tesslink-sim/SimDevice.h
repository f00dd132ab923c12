#pragma once

// One class per kind of simulated device. Each gives the record it announces (with
// state '1'; the service applies connect/disconnect) and its sensor text over time.

#include "Motion.h"
#include "RecordText.h"
#include "Replay.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace TessLinkSim
{
    // Connection type announced for every simulated device (a USB-like link).
    constexpr int simConnectionType = 2;

    struct MotionSettings
    {
        Motion::Pattern pattern = Motion::Pattern::Wave;
        double period = 4.0;
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

    // Exoskeleton glove with the standard constants string of its side.
    class TessaraSim : public SimDevice
    {
    public:
        static constexpr float defaultFirmware = 4.7f;

        TessaraSim(bool right, float firmware, MotionSettings motion);
        // Firmware text as it goes into the constants string ("4.6" stays "4.6", so the
        // library reads sub-version 6; the default "%f" form reads 700000).
        TessaraSim(bool right, std::string firmwareText, MotionSettings motion);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

        // The standard "QX7.2" constants string; firmware written with printf's "%f".
        static std::string StandardConstants(bool right, float firmware);
        static std::string StandardConstants(bool right, const std::string& firmwareText);

    private:
        bool right;
        std::string firmware;
        MotionSettings motion;
    };

    // Second glove model: four sensor entries of raw readings plus the orientation.
    class KelvoSim : public SimDevice
    {
    public:
        // `serial` numbers the gloves of the run so that their identities differ.
        KelvoSim(bool right, int serial, MotionSettings motion);
        std::string Describe() const override;
        std::string Record(int pps, const std::string& address) const override;
        std::string SensorText(double t) override;

        static std::string Constants(bool right, int serial);

    private:
        bool right;
        int serial;
        MotionSettings motion;
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
