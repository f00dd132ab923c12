#include "ForceFeedback.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <tuple>

#include "HandTracking.h"

namespace TSCoreXR
{
    XrResult CurlLevels(const XrForceFeedbackCurlApplyLocationsMNDX* locations, ForceLevels& levels)
    {
        levels.fill(0);
        if (!locations || locations->type != XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX ||
            locations->locationCount == 0 || !locations->locations)
            return XR_ERROR_VALIDATION_FAILURE;
        // Five distinct locations at most: a longer list repeats one, and is refused unread.
        constexpr std::size_t fingers = std::tuple_size<ForceLevels>::value;
        if (locations->locationCount > fingers)
            return XR_ERROR_VALIDATION_FAILURE;
        bool given[fingers] = {};
        for (std::uint32_t i = 0; i < locations->locationCount; ++i)
        {
            const XrForceFeedbackCurlApplyLocationMNDX& at = locations->locations[i];
            const auto index = static_cast<std::size_t>(at.location);
            if (at.location < XR_FORCE_FEEDBACK_CURL_LOCATION_THUMB_CURL_MNDX ||
                at.location > XR_FORCE_FEEDBACK_CURL_LOCATION_LITTLE_CURL_MNDX || given[index] ||
                !(at.value >= 0.0f && at.value <= 1.0f))
                return XR_ERROR_VALIDATION_FAILURE;
            given[index] = true;
            levels[index] = static_cast<int>(std::lround(at.value * 100.0f));
        }
        return XR_SUCCESS;
    }

    std::mutex& ForceMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

    XrResult ApplyForceFeedbackCurl(XrHandTrackerEXT handTracker,
                                    const XrForceFeedbackCurlApplyLocationsMNDX* locations)
    {
        return Guarded(
            [&]() -> XrResult
            {
                const std::lock_guard<std::mutex> lock(ForceMutex());
                const auto tracker = Registry::FindTracker(handTracker);
                if (!tracker)
                    return XR_ERROR_HANDLE_INVALID;
                ForceLevels levels;
                const XrResult valid = CurlLevels(locations, levels);
                if (XR_FAILED(valid))
                    return valid;
                if (Registry::SessionState(tracker->session) != XR_SESSION_STATE_FOCUSED)
                    return XR_SESSION_NOT_FOCUSED;
                if (!SendForce(tracker->right, levels))
                    return XR_ERROR_FEATURE_UNSUPPORTED;
                Registry::SetForce(handTracker, levels != ForceLevels{});
                return XR_SUCCESS;
            });
    }

    void ReportForceFeedbackSupport(XrSystemProperties* properties)
    {
        for (auto* next = static_cast<XrBaseOutStructure*>(properties->next); next; next = next->next)
            if (next->type == XR_TYPE_SYSTEM_FORCE_FEEDBACK_CURL_PROPERTIES_MNDX)
                reinterpret_cast<XrSystemForceFeedbackCurlPropertiesMNDX*>(next)->supportsForceFeedbackCurl =
                    ForceFeedbackChannels(false) > 0 || ForceFeedbackChannels(true) > 0 ? XR_TRUE : XR_FALSE;
    }

    void ReleaseForce(const std::vector<TrackerEntry>& trackers)
    {
        for (const TrackerEntry& tracker : trackers)
            if (tracker.force)
                ReleaseForce(tracker.right);
    }
}
