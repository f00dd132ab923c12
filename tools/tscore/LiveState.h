#pragma once

// The state a live view shows besides the pose: whether the service is updating (and how old
// its latest time stamp is), whether the glove is connected, whether its reading is complete
// and its pose valid. Shared by list, watch and pose, and meant for any other view.

#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

namespace TSCoreCli
{
    enum class ServiceCondition
    {
        Running, ///< its time stamp is fresh
        Stale,   ///< its segments are there, its time stamp is not updated any more
        Stopped  ///< no segments, or no time stamp in them
    };

    /// The service writes its time stamp every second: one this old means it stopped.
    constexpr long long staleAfterSeconds = 3;

    struct ServiceStatus
    {
        ServiceCondition condition = ServiceCondition::Stopped;
        std::optional<long long> stampAge; ///< seconds since the latest time stamp (negative: ahead)

        static ServiceStatus Read();
        /// "running", "stale" or "stopped".
        const char* Name() const;
        /// "running (time stamp 0 s old)", "not updating (time stamp 12 s old)", "not running".
        std::string Describe() const;
    };

    struct GloveState
    {
        ServiceStatus service;
        bool connected = false;
        bool complete = false;                   ///< a complete reading arrived
        std::vector<std::string> invalidFingers; ///< fingers without finite numbers

        bool Valid() const { return complete && invalidFingers.empty(); }
        /// Everything current: the service updating, the glove connected, the pose valid.
        bool Live() const;
        /// One line of at most 79 characters saying what is not live, or that all is.
        std::string Headline() const;
    };

    /// Reads the glove's pose through the profile, and its state with it.
    GloveState ReadGlove(TSCore::HapticGlove& glove, TSCore::HandProfile& profile, TSCore::HandPose& pose);

    /// The fingers whose angles, positions or rotations are missing or not finite.
    std::vector<std::string> InvalidFingers(const TSCore::HandPose& pose);

    /// "the pose is invalid: Thumb, Index have no finite angles", with the likely cause.
    std::string InvalidPoseMessage(const std::vector<std::string>& fingers);
}
