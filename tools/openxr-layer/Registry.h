#pragma once

// What the layer knows about the handles that pass through it: per instance the next
// functions down the chain and the settings, the instance of each session, and the hand
// trackers it made. One lock guards it; every lookup returns a copy, so no call down the
// chain runs under the lock.

#include <openxr/openxr.h>

#include <memory>
#include <optional>
#include <vector>

#include "LayerConfig.h"

namespace TSCoreXR
{
    struct InstanceEntry
    {
        PFN_xrGetInstanceProcAddr getInstanceProcAddr = nullptr;
        PFN_xrDestroyInstance destroyInstance = nullptr;
        PFN_xrGetSystemProperties getSystemProperties = nullptr;
        PFN_xrCreateSession createSession = nullptr;
        PFN_xrDestroySession destroySession = nullptr;
        PFN_xrCreateReferenceSpace createReferenceSpace = nullptr;
        PFN_xrLocateSpace locateSpace = nullptr;
        PFN_xrDestroySpace destroySpace = nullptr;
        /// The application enabled XR_EXT_hand_tracking.
        bool handTracking = false;
        /// Profiles inside are used only under the lock of ReadHand.
        std::shared_ptr<LayerConfig> config;
    };

    struct TrackerEntry
    {
        XrInstance instance = XR_NULL_HANDLE;
        XrSession session = XR_NULL_HANDLE;
        bool right = true;
        /// The configured reference space, in which the wrist offset is given.
        XrSpace space = XR_NULL_HANDLE;
    };

    namespace Registry
    {
        void AddInstance(XrInstance instance, InstanceEntry entry);
        std::optional<InstanceEntry> FindInstance(XrInstance instance);
        /// Forgets the instance with its sessions and trackers.
        void RemoveInstance(XrInstance instance);

        void AddSession(XrSession session, XrInstance instance);
        std::optional<XrInstance> SessionInstance(XrSession session);
        /// Forgets the session and its trackers (their spaces end with the session).
        void RemoveSession(XrSession session);

        XrHandTrackerEXT AddTracker(TrackerEntry tracker);
        std::optional<TrackerEntry> FindTracker(XrHandTrackerEXT tracker);
        std::optional<TrackerEntry> RemoveTracker(XrHandTrackerEXT tracker);
    }
}
