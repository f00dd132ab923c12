#pragma once

// XR_MNDX_force_feedback_curl answered from the gloves: a curl location's value 0..1 becomes
// the force-feedback level 0..100 of that finger on the glove of the tracker's side.

#include <openxr/openxr.h>

#include <mutex>
#include <vector>

#include "ForceFeedbackCurl.h"
#include "GloveHands.h"
#include "Registry.h"

namespace TSCoreXR
{
    /// The levels a call asks for: each given location's value times 100, rounded; locations
    /// left out 0. XR_ERROR_VALIDATION_FAILURE for a wrong structure type, no locations (none
    /// or a null array), a location outside thumb..little or given twice, or a value that is
    /// not a number from 0 to 1.
    XrResult CurlLevels(const XrForceFeedbackCurlApplyLocationsMNDX* locations, ForceLevels& levels);

    /// xrApplyForceFeedbackCurlMNDX. XR_SESSION_NOT_FOCUSED, nothing applied, unless the
    /// tracker's session is focused; XR_ERROR_FEATURE_UNSUPPORTED when no glove with force
    /// feedback can take it on the tracker's side (none connected, or its service stopped).
    XRAPI_ATTR XrResult XRAPI_CALL ApplyForceFeedbackCurl(XrHandTrackerEXT handTracker,
                                                          const XrForceFeedbackCurlApplyLocationsMNDX* locations);

    /// Sets XrSystemForceFeedbackCurlPropertiesMNDX in the chain: true while a connected glove
    /// of either side has force feedback.
    void ReportForceFeedbackSupport(XrSystemProperties* properties);

    /// Releases the force the trackers applied: every level 0 on their sides' gloves.
    void ReleaseForce(const std::vector<TrackerEntry>& trackers);

    /// Held by an apply from its focus check to marking its tracker as holding force, and by
    /// every release from the registry change that calls for it to the release itself. An
    /// event polled on another thread that ends focus, or a tracker, session or instance
    /// destroyed there, thus comes wholly before an apply (which then sees it and applies
    /// nothing) or wholly after it (and releases what it applied): release always wins. Taken
    /// before the registry's lock and the gloves' lock, never while holding either.
    std::mutex& ForceMutex();

    /// change: a Registry call that notes a state or forgets handles and returns the trackers
    /// that held force; runs it and releases them as one step against every apply.
    template <typename Change>
    auto ReleaseAfter(Change change)
    {
        const std::lock_guard<std::mutex> lock(ForceMutex());
        auto holding = change();
        ReleaseForce(holding);
        return holding;
    }
}
