#include "Registry.h"

#include <map>
#include <mutex>
#include <utility>

namespace TSCoreXR::Registry
{
    namespace
    {
        struct State
        {
            std::mutex mutex;
            std::map<XrInstance, InstanceEntry> instances;
            std::map<XrSession, XrInstance> sessions;
            // A tracker's handle is the address of its entry; it is only ever looked up, never
            // dereferenced as given by the application.
            std::map<XrHandTrackerEXT, std::unique_ptr<TrackerEntry>> trackers;
        };

        State& Get()
        {
            static State state;
            return state;
        }

        template <typename Predicate>
        void EraseTrackers(State& state, Predicate matches)
        {
            for (auto it = state.trackers.begin(); it != state.trackers.end();)
                it = matches(*it->second) ? state.trackers.erase(it) : std::next(it);
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

    void RemoveInstance(XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.instances.erase(instance);
        for (auto it = state.sessions.begin(); it != state.sessions.end();)
            it = it->second == instance ? state.sessions.erase(it) : std::next(it);
        EraseTrackers(state, [instance](const TrackerEntry& t) { return t.instance == instance; });
    }

    void AddSession(XrSession session, XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.sessions[session] = instance;
    }

    std::optional<XrInstance> SessionInstance(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        if (it == state.sessions.end())
            return std::nullopt;
        return it->second;
    }

    void RemoveSession(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.sessions.erase(session);
        EraseTrackers(state, [session](const TrackerEntry& t) { return t.session == session; });
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
}
