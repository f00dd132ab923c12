#include "GloveChoice.h"

#include "Reading.h"

namespace TSCoreCli
{
    using TSCore::HapticGlove;
    using TSCore::ServiceReader;

    bool GloveChoice::Follow(const ServiceReader& reader)
    {
        const bool gone = reader.DeviceCount() == 0 && reader.State() == ServiceCondition::Stopped;
        // A service that came back with no device leaves the list as empty as it was.
        if (picked && reader.Generation() == generation && !(holding && !gone))
            return false;
        picked = true;
        generation = reader.Generation();
        if (gone && !chosen.empty())
        {
            holding = true;
            return false;
        }
        holding = false;
        std::vector<std::shared_ptr<HapticGlove>> next = Pick(reader);
        const bool changed = next != chosen;
        chosen = std::move(next);
        return changed;
    }

    std::vector<std::shared_ptr<HapticGlove>> GloveChoice::Pick(const ServiceReader& reader)
    {
        waiting.clear();
        const bool one = options.device >= 0 || options.right || options.left || !everyGlove;
        if (!one)
        {
            std::vector<std::shared_ptr<HapticGlove>> all;
            for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
                if (reader.Info(i).isGlove)
                    all.push_back(reader.Glove(i));
            return all;
        }
        if (!chosen.empty() && PositionOf(reader, *chosen.front()) != ServiceReader::npos)
            return {chosen.front()};
        const std::size_t at = PickGlove(options, reader);
        if (at != ServiceReader::npos)
            return {reader.Glove(at)};
        if (options.device >= 0)
            waiting = "waiting for glove " + std::to_string(options.device) + " (--device): the service announces " +
                      std::to_string(GloveCount(reader)) + " glove(s)";
        else
            waiting = std::string("waiting for a connected ") +
                      (options.right  ? "right-hand "
                       : options.left ? "left-hand "
                                      : "") +
                      "glove";
        return {};
    }
}
