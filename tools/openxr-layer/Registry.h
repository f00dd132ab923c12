#pragma once

// What the layer knows about the handles that pass through it: per instance the next
// functions down the chain and the settings, the instance and state of each session, and the
// hand trackers it made (with whether force feedback they applied is still on the glove). One lock guards it; every
// lookup returns a copy, so no call down the chain runs under the lock.

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
        PFN_xrPollEvent pollEvent = nullptr;
        /// The application enabled XR_EXT_hand_tracking.
        bool handTracking = false;
        /// The application enabled XR_MNDX_force_feedback_curl.
        bool forceFeedback = false;
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
        /// Force feedback this tracker applied is on the glove (not yet released).
        bool force = false;
    };

    namespace Registry
    {
        void AddInstance(XrInstance instance, InstanceEntry entry);
        std::optional<InstanceEntry> FindInstance(XrInstance instance);
        /// Forgets the instance with its sessions and trackers; the trackers that hold force.
        std::vector<TrackerEntry> RemoveInstance(XrInstance instance);

        void AddSession(XrSession session, XrInstance instance);
        std::optional<XrInstance> SessionInstance(XrSession session);
        /// The session's state as its events told (XR_SESSION_STATE_UNKNOWN before the first).
        XrSessionState SessionState(XrSession session);
        /// Notes the session's new state. When it is not focused, the trackers of the session
        /// that hold force, now marked as released.
        std::vector<TrackerEntry> SetSessionState(XrSession session, XrSessionState state);
        /// Forgets the session and its trackers (their spaces end with the session); the
        /// trackers that hold force.
        std::vector<TrackerEntry> RemoveSession(XrSession session);

        XrHandTrackerEXT AddTracker(TrackerEntry tracker);
        std::optional<TrackerEntry> FindTracker(XrHandTrackerEXT tracker);
        std::optional<TrackerEntry> RemoveTracker(XrHandTrackerEXT tracker);
        /// Marks whether force the tracker applied is on the glove.
        void SetForce(XrHandTrackerEXT tracker, bool force);
    }
}
