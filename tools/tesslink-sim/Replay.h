#pragma once

// A recording made by `tscore record`, loaded for playback: JSON lines, first a header
// {"format":"tscore-recording","version":1}, then one {"kind":"device","key","record"}
// per device, then {"kind":"data","t","key","text"} lines in time order.

#include <cstddef>
#include <string>
#include <vector>

namespace TessLinkSim
{
    class ReplayTrack
    {
    public:
        struct Device
        {
            std::string key;     // key in the recording, e.g. "device3"
            std::string record;  // record text as recorded
        };

        // False with a one-line reason in `error` when the file or a line cannot be read.
        static bool Load(const std::string& path, ReplayTrack& out, std::string& error);

        // Same, from text already in memory; `name` labels the error messages.
        static bool Parse(const std::string& text, const std::string& name, ReplayTrack& out, std::string& error);

        const std::vector<Device>& Devices() const { return devices; }
        std::size_t FrameCount() const { return frames.size(); }
        double LoopLength() const { return loopLength; }

        void SetLoop(bool value) { loop = value; }

        // Plays every line due at t seconds after the start. Time only moves forward.
        void Advance(double t);

        // Latest text of device i ("" before its first line).
        const std::string& Text(std::size_t device) const;

    private:
        struct Frame
        {
            double t;
            std::size_t device;
            std::string text;
        };

        std::vector<Device> devices;
        std::vector<Frame> frames;
        std::vector<std::string> texts;
        std::size_t next = 0;
        double cycleStart = 0.0;
        double loopLength = 0.0;
        bool loop = false;
    };
}
