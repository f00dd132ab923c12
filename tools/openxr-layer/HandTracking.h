#pragma once

// XR_EXT_hand_tracking answered from the gloves: the three functions the layer hands out in
// place of the runtime's, and the system property it reports.

#include <openxr/openxr.h>

#include <new>

namespace TSCoreXR
{
    XRAPI_ATTR XrResult XRAPI_CALL CreateHandTracker(XrSession session, const XrHandTrackerCreateInfoEXT* createInfo,
                                                     XrHandTrackerEXT* handTracker);
    XRAPI_ATTR XrResult XRAPI_CALL DestroyHandTracker(XrHandTrackerEXT handTracker);
    XRAPI_ATTR XrResult XRAPI_CALL LocateHandJoints(XrHandTrackerEXT handTracker,
                                                    const XrHandJointsLocateInfoEXT* locateInfo,
                                                    XrHandJointLocationsEXT* locations);

    /// Marks XrSystemHandTrackingPropertiesEXT in the chain of properties as supported.
    void ReportHandTrackingSupport(XrSystemProperties* properties);

    /// Runs body, turning any exception into an OpenXR error: nothing may unwind into the loader.
    template <typename Body>
    XrResult Guarded(Body body) noexcept
    {
        try
        {
            return body();
        }
        catch (const std::bad_alloc&)
        {
            return XR_ERROR_OUT_OF_MEMORY;
        }
        catch (...)
        {
            return XR_ERROR_RUNTIME_FAILURE;
        }
    }
}
