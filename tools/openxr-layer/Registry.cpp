#include "Registry.h"

#include <map>
#include <mutex>
#include <utility>

namespace TSCoreXR::Registry
{
    namespace
    {
        struct SessionEntry
        {
            XrInstance instance = XR_NULL_HANDLE;
            XrSessionState state = XR_SESSION_STATE_UNKNOWN;
        };

        struct State
        {
            std::mutex mutex;
            std::map<XrInstance, InstanceEntry> instances;
            std::map<XrSession, SessionEntry> sessions;
            // A tracker's handle is the address of its entry; it is only ever looked up, never
            // dereferenced as given by the application.
            std::map<XrHandTrackerEXT, std::unique_ptr<TrackerEntry>> trackers;
        };

        State& Get()
        {
            static State state;
            return state;
        }

        // Erases the matching trackers; those that held force.
        template <typename Predicate>
        std::vector<TrackerEntry> EraseTrackers(State& state, Predicate matches)
        {
            std::vector<TrackerEntry> holding;
            for (auto it = state.trackers.begin(); it != state.trackers.end();)
            {
                if (!matches(*it->second))
                {
                    ++it;
                    continue;
                }
                if (it->second->force)
                    holding.push_back(*it->second);
                it = state.trackers.erase(it);
            }
            return holding;
        }
    }

    void AddInstance(XrInstance instance, InstanceEntry entry)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.instances[instance] = std::move(entry);
    }

    std::optional<InstanceEntry> FindInstance(XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.instances.find(instance);
        if (it == state.instances.end())
            return std::nullopt;
        return it->second;
    }

    std::vector<TrackerEntry> RemoveInstance(XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.instances.erase(instance);
        for (auto it = state.sessions.begin(); it != state.sessions.end();)
            it = it->second.instance == instance ? state.sessions.erase(it) : std::next(it);
        return EraseTrackers(state, [instance](const TrackerEntry& t) { return t.instance == instance; });
    }

    void AddSession(XrSession session, XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.sessions[session] = SessionEntry{instance, XR_SESSION_STATE_UNKNOWN};
    }

    std::optional<XrInstance> SessionInstance(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        if (it == state.sessions.end())
            return std::nullopt;
        return it->second.instance;
    }

    XrSessionState SessionState(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        return it == state.sessions.end() ? XR_SESSION_STATE_UNKNOWN : it->second.state;
    }

    std::vector<TrackerEntry> SetSessionState(XrSession session, XrSessionState sessionState)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        std::vector<TrackerEntry> holding;
        if (it == state.sessions.end())
            return holding;
        it->second.state = sessionState;
        if (sessionState == XR_SESSION_STATE_FOCUSED)
            return holding;
        for (auto& [handle, tracker] : state.trackers)
            if (tracker->session == session && tracker->force)
            {
                holding.push_back(*tracker);
                tracker->force = false;
            }
        return holding;
    }

    std::vector<TrackerEntry> RemoveSession(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.sessions.erase(session);
        return EraseTrackers(state, [session](const TrackerEntry& t) { return t.session == session; });
    }

    XrHandTrackerEXT AddTracker(TrackerEntry tracker)
    {
        State& state = Get();
        auto entry = std::make_unique<TrackerEntry>(tracker);
        const auto handle = reinterpret_cast<XrHandTrackerEXT>(entry.get());
        std::lock_guard<std::mutex> lock(state.mutex);
        state.trackers[handle] = std::move(entry);
        return handle;
    }

    std::optional<TrackerEntry> FindTracker(XrHandTrackerEXT tracker)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.trackers.find(tracker);
        if (it == state.trackers.end())
            return std::nullopt;
        return *it->second;
    }

    std::optional<TrackerEntry> RemoveTracker(XrHandTrackerEXT tracker)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.trackers.find(tracker);
        if (it == state.trackers.end())
            return std::nullopt;
        TrackerEntry removed = *it->second;
        state.trackers.erase(it);
        return removed;
    }

    void SetForce(XrHandTrackerEXT tracker, bool force)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.trackers.find(tracker);
        if (it != state.trackers.end())
            it->second->force = force;
    }
}
