#pragma once

// The reading side of `tscore view`, on the library's thread: one service reader, updated
// every tick; the gloves to show follow its list (GloveChoice); each is read once per tick for
// every page at once, and the readings become one JSON frame:
//
// {"type":"frame","seq":N,"time":UNIX_SECONDS,
//  "service":{"state":"running|stale|stopped","describe":"running (time stamp 0 s old)"},
//  "notice":"what the selection is waiting for, or empty",
//  "gloves":[{"key":"device0","index":0,"kind":"Tessara","id":"...","side":"right",
//             "firmware":"4.7","hardware":"...","pps":60,"profile":"default|FILE",
//             "connected":true,"state":"live|stale|stopped|disconnected|incomplete|invalid",
//             "headline":"...","invalid":["Thumb"],"orientation":[x,y,z,w]|null,
//             "flexion":[5 numbers or null],"fingers":[5 lists of [x,y,z] joint positions or null],
//             "forceFeedback":[5 levels, null for a finger without a channel or when unknown],
//             "held":[5 booleans: held by force feedback],
//             "channels":{"ffb":5,"buzz":5},
//             "robot":{...} for the glove a robot hand follows (ViewRobot)}]}
//
// Positions are millimetres in the hand's frame (wrist at the origin), rounded to 0.1 mm; a
// finger without finite numbers is null, never NaN. The force-feedback levels are those of the
// glove's current command in "Haptics" (whoever wrote it), read every heldSeconds.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "GloveChoice.h"
#include "LiveState.h"
#include "Select.h"
#include "ViewRobot.h"

namespace TSCoreCli
{
    class ViewFrames
    {
    public:
        /// Frames go out when a reading changed, and at least this often otherwise.
        static constexpr double heartbeatSeconds = 1.0;
        /// How often the gloves' commands are read for the fingers they hold.
        static constexpr double heldSeconds = 0.1;

        struct Glove
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            int index = -1; ///< as `tscore list` and --device number it
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            std::string profileName;
            std::string id, kind, side, firmware, hardware;
            int pps = 0;
            std::optional<std::vector<int>> force; ///< of its current command; none: unknown
            double forceRead = -1e9;
        };

        /// options: which gloves (all by default); profile and its file name: --profile, if given.
        ViewFrames(const GloveOptions& options, std::optional<TSCore::HandProfile> profile);

        /// A robot hand that follows the first shown glove of its side.
        void AddRobot(std::unique_ptr<ViewRobot> robot) { robots.push_back(std::move(robot)); }
        const std::vector<std::unique_ptr<ViewRobot>>& Robots() const { return robots; }

        /// Updates the reader and reads every glove once. The frame to send, or an empty text
        /// when nothing changed and no heartbeat is due. now: seconds on a steady clock.
        std::string Tick(double now);

        const std::vector<Glove>& Gloves() const { return gloves; }
        /// The shown glove with that key, or nullptr.
        const Glove* Find(const std::string& key) const;
        /// Checks the service now: whether it still lists the glove (a write on its own, between
        /// two frames, goes only to a glove the service announces at that moment).
        bool StillListed(const Glove& glove);
        /// The reader, as its latest check left it.
        const TSCore::ServiceReader& Reader() const { return reader; }

    private:
        void Discover();
        Glove Describe(const std::shared_ptr<TSCore::HapticGlove>& glove, int index) const;
        nlohmann::ordered_json GloveJson(Glove& g, double now, ViewRobot* robot);

        GloveOptions options;
        std::optional<TSCore::HandProfile> userProfile;
        TSCore::ServiceReader reader;
        GloveChoice choice;
        std::vector<Glove> gloves;
        double lastSent = -1e9;
        std::string lastBody;
        long long seq = 0;
        TSCore::HandPose pose; ///< reused from tick to tick
        std::vector<std::unique_ptr<ViewRobot>> robots;
    };
}
