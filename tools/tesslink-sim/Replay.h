#pragma once

// A recording made by `tscore record` (format: RecordingFile.h), played back in time.

#include "RecordingFile.h"

#include <cstddef>
#include <string>
#include <vector>

namespace TessLinkSim
{
    class ReplayTrack
    {
    public:
        using Device = TSCoreLink::RecordingFile::Device;

        // False with a one-line reason in `error` when the file or a line cannot be read.
        static bool Load(const std::string& path, ReplayTrack& out, std::string& error);

        // Same, from text already in memory; `name` labels the messages.
        static bool Parse(const std::string& text, const std::string& name, ReplayTrack& out, std::string& error);

        const std::vector<Device>& Devices() const { return recording.devices; }
        std::size_t FrameCount() const { return recording.frames.size(); }
        double LoopLength() const { return loopLength; }
        // A damaged last line that was left out, or empty.
        const std::string& Warning() const { return recording.warning; }

        void SetLoop(bool value) { loop = value; }
        // Recorded seconds played per second.
        void SetSpeed(double value) { speed = value; }

        // Plays every line due at t seconds after the start. Time only moves forward.
        void Advance(double t);

        // Latest text of device i ("" before its first line).
        const std::string& Text(std::size_t device) const;

    private:
        void Prepare();

        TSCoreLink::RecordingFile recording;
        std::vector<std::string> texts;
        std::size_t next = 0;
        double cycleStart = 0.0;
        double loopLength = 0.0;
        double speed = 1.0;
        bool loop = false;
    };
}
