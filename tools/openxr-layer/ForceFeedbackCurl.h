#pragma once

// XR_MNDX_force_feedback_curl with the OpenXR registry's names and values (extension number
// 376), for OpenXR headers older than the extension (Debian's 1.0.20): defined only where the
// header lacks it.

#include <openxr/openxr.h>

#ifndef XR_MNDX_force_feedback_curl
#  define XR_MNDX_force_feedback_curl 1
#  define XR_MNDX_force_feedback_curl_SPEC_VERSION 1
#  define XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME "XR_MNDX_force_feedback_curl"
#  define XR_TYPE_SYSTEM_FORCE_FEEDBACK_CURL_PROPERTIES_MNDX ((XrStructureType)1000375000)
#  define XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX ((XrStructureType)1000375001)

typedef enum XrForceFeedbackCurlLocationMNDX
{
    XR_FORCE_FEEDBACK_CURL_LOCATION_THUMB_CURL_MNDX = 0,
    XR_FORCE_FEEDBACK_CURL_LOCATION_INDEX_CURL_MNDX = 1,
    XR_FORCE_FEEDBACK_CURL_LOCATION_MIDDLE_CURL_MNDX = 2,
    XR_FORCE_FEEDBACK_CURL_LOCATION_RING_CURL_MNDX = 3,
    XR_FORCE_FEEDBACK_CURL_LOCATION_LITTLE_CURL_MNDX = 4,
    XR_FORCE_FEEDBACK_CURL_LOCATION_MAX_ENUM_MNDX = 0x7FFFFFFF
} XrForceFeedbackCurlLocationMNDX;

typedef struct XrSystemForceFeedbackCurlPropertiesMNDX
{
    XrStructureType type;
    void* XR_MAY_ALIAS next;
    XrBool32 supportsForceFeedbackCurl;
} XrSystemForceFeedbackCurlPropertiesMNDX;

typedef struct XrForceFeedbackCurlApplyLocationMNDX
{
    XrForceFeedbackCurlLocationMNDX location;
    float value;
} XrForceFeedbackCurlApplyLocationMNDX;

typedef struct XrForceFeedbackCurlApplyLocationsMNDX
{
    XrStructureType type;
    const void* XR_MAY_ALIAS next;
    uint32_t locationCount;
    XrForceFeedbackCurlApplyLocationMNDX* locations;
} XrForceFeedbackCurlApplyLocationsMNDX;

typedef XrResult(XRAPI_PTR* PFN_xrApplyForceFeedbackCurlMNDX)(XrHandTrackerEXT handTracker,
                                                              const XrForceFeedbackCurlApplyLocationsMNDX* locations);
#endif
