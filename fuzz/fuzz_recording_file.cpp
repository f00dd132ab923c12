// A recording as `tesslink-sim --replay` reads and plays it. Never throws; a recording it takes
// has its frames in time order, each naming one of its devices, and written out again line by
// line it reads back the same. Played in a loop at any speed (times from the input's tail), it
// only ever shows texts of the recording and always returns.
#include <cmath>
#include <cstring>
#include <string>

#include "FuzzHelpers.h"
#include "RecordingFile.h"
#include "Replay.h"

using TessLinkSim::ReplayTrack;
using TSCoreLink::RecordingFile;

namespace
{
    void CheckRewritten(const RecordingFile& recording)
    {
        std::string text = RecordingFile::HeaderLine() + "\n";
        for (const auto& device : recording.devices)
            text += RecordingFile::DeviceLine(device.key, device.record) + "\n";
        for (const auto& frame : recording.frames)
            text += RecordingFile::DataLine(frame.t, recording.devices[frame.device].key, frame.text) + "\n";
        RecordingFile again;
        std::string error;
        TSCoreFuzz::Check(RecordingFile::Parse(text, "again", again, error), "a recording written out reads back");
        TSCoreFuzz::Check(again.devices.size() == recording.devices.size() &&
                              again.frames.size() == recording.frames.size() && again.warning.empty(),
                          "as many devices and frames");
        for (std::size_t i = 0; i < again.devices.size(); ++i)
            TSCoreFuzz::Check(again.devices[i].key == recording.devices[i].key &&
                                  again.devices[i].record == recording.devices[i].record,
                              "the same devices");
        for (std::size_t i = 0; i < again.frames.size(); ++i)
            TSCoreFuzz::Check(again.frames[i].t == recording.frames[i].t &&
                                  again.frames[i].device == recording.frames[i].device &&
                                  again.frames[i].text == recording.frames[i].text,
                              "the same frames");
    }

    void Play(ReplayTrack& track, const RecordingFile& recording, const uint8_t* data, size_t size)
    {
        // The last 8 bytes: loop or not, the speed, and the steps of time between plays.
        if (size < 8)
            return;
        const uint8_t* tail = data + size - 8;
        track.SetLoop((tail[0] & 1) != 0);
        const double speeds[] = {1.0, 0.01, 100.0, 0.5, 3.0}; // --speed takes 0.01 to 100
        track.SetSpeed(speeds[tail[1] % 5]);
        double t = 0.0;
        for (int i = 2; i < 8; ++i)
        {
            t += std::ldexp(static_cast<double>(tail[i]), static_cast<int>(tail[i] % 48) - 20);
            track.Advance(t);
            for (std::size_t d = 0; d <= recording.devices.size(); ++d)
            {
                const std::string& text = track.Text(d);
                bool known = text.empty();
                for (std::size_t f = 0; !known && f < recording.frames.size(); ++f)
                    known = recording.frames[f].device == d && recording.frames[f].text == text;
                TSCoreFuzz::Check(known, "only texts the device recorded");
            }
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = TSCoreFuzz::Text(data, size);
    (void)RecordingFile::LooksLikeOne(text);
    RecordingFile recording;
    std::string error;
    const bool read = RecordingFile::Parse(text, "fuzz", recording, error);
    TSCoreFuzz::Check(read == error.empty(), "an error exactly when the text is refused");
    ReplayTrack track;
    std::string trackError;
    TSCoreFuzz::Check(ReplayTrack::Parse(text, "fuzz", track, trackError) == read && trackError == error,
                      "the simulator reads it as the reader does");
    if (!read)
        return 0;
    for (std::size_t i = 0; i < recording.frames.size(); ++i)
    {
        const auto& frame = recording.frames[i];
        TSCoreFuzz::Check(frame.device < recording.devices.size(), "a frame names a device");
        TSCoreFuzz::Check(std::isfinite(frame.t) && frame.t >= 0.0, "a frame's time is a time");
        TSCoreFuzz::Check(i == 0 || recording.frames[i - 1].t <= frame.t, "frames in time order");
    }
    CheckRewritten(recording);
    Play(track, recording, data, size);
    return 0;
}
