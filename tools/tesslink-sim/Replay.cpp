#include "Replay.h"

#include <cmath>

namespace TessLinkSim
{
    bool ReplayTrack::Load(const std::string& path, ReplayTrack& out, std::string& error)
    {
        ReplayTrack track;
        if (!TSCoreLink::RecordingFile::Load(path, track.recording, error))
            return false;
        track.Prepare();
        out = std::move(track);
        return true;
    }

    bool ReplayTrack::Parse(const std::string& text, const std::string& name, ReplayTrack& out, std::string& error)
    {
        ReplayTrack track;
        if (!TSCoreLink::RecordingFile::Parse(text, name, track.recording, error))
            return false;
        track.Prepare();
        out = std::move(track);
        return true;
    }

    void ReplayTrack::Prepare()
    {
        texts.assign(recording.devices.size(), std::string());
        // One loop lasts until the last line plus the mean spacing between time stamps,
        // so the first line of the next round does not land on the last one.
        const auto& frames = recording.frames;
        double gap = 1.0 / 60.0;
        std::size_t distinct = frames.empty() ? 0 : 1;
        for (std::size_t i = 1; i < frames.size(); ++i)
            if (frames[i].t > frames[i - 1].t)
                ++distinct;
        if (distinct > 1)
            gap = (frames.back().t - frames.front().t) / static_cast<double>(distinct - 1);
        loopLength = (frames.empty() ? 0.0 : frames.back().t) + gap;
    }

    void ReplayTrack::Advance(double t)
    {
        const auto& frames = recording.frames;
        const double played = t * speed;
        while (true)
        {
            const double local = played - cycleStart;
            while (next < frames.size() && frames[next].t <= local)
            {
                texts[frames[next].device] = frames[next].text;
                ++next;
            }
            if (!loop || next < frames.size() || local < loopLength)
                return;
            cycleStart += std::floor(local / loopLength) * loopLength;
            next = 0;
        }
    }

    const std::string& ReplayTrack::Text(std::size_t device) const
    {
        static const std::string none;
        return device < texts.size() ? texts[device] : none;
    }
}
