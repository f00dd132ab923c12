// Tracks both hands through OpenXR (XR_EXT_hand_tracking) and lets the wearer feel a grip that
// closes and opens every two seconds (XR_MNDX_force_feedback_curl), as an engine's application
// would. The TSCore layer answers both extensions from the gloves; without a headset, run it
// over TSCore's headless runtime:
//   export XR_RUNTIME_JSON=/usr/share/tscore/openxr/tscore_headless_runtime.json
//   XR_ENABLE_API_LAYERS=XR_APILAYER_TSCORE_hand_tracking ./openxr_hands [SECONDS]
// (under another prefix, also XR_API_LAYER_PATH=<prefix>/share/openxr/1/api_layers/explicit.d).

#include <openxr/openxr.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// Headers older than the extension (OpenXR 1.0.20) lack it: the registry's definitions.
#ifndef XR_MNDX_force_feedback_curl
#  define XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME "XR_MNDX_force_feedback_curl"
#  define XR_TYPE_SYSTEM_FORCE_FEEDBACK_CURL_PROPERTIES_MNDX ((XrStructureType)1000375000)
#  define XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX ((XrStructureType)1000375001)
typedef enum XrForceFeedbackCurlLocationMNDX
{
    XR_FORCE_FEEDBACK_CURL_LOCATION_THUMB_CURL_MNDX = 0,
    XR_FORCE_FEEDBACK_CURL_LOCATION_LITTLE_CURL_MNDX = 4,
    XR_FORCE_FEEDBACK_CURL_LOCATION_MAX_ENUM_MNDX = 0x7FFFFFFF
} XrForceFeedbackCurlLocationMNDX;
typedef struct XrSystemForceFeedbackCurlPropertiesMNDX
{
    XrStructureType type;
    void* next;
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
    const void* next;
    uint32_t locationCount;
    XrForceFeedbackCurlApplyLocationMNDX* locations;
} XrForceFeedbackCurlApplyLocationsMNDX;
typedef XrResult(XRAPI_PTR* PFN_xrApplyForceFeedbackCurlMNDX)(XrHandTrackerEXT,
                                                              const XrForceFeedbackCurlApplyLocationsMNDX*);
#endif

namespace
{
    // An OpenXR structure of that type, every other field zero.
    template <typename T>
    T Typed(XrStructureType type, void* next = nullptr)
    {
        T value{};
        value.type = type;
        value.next = next;
        return value;
    }

    bool Offered(const char* name)
    {
        uint32_t count = 0;
        xrEnumerateInstanceExtensionProperties(nullptr, 0, &count, nullptr);
        std::vector<XrExtensionProperties> all(count, {XR_TYPE_EXTENSION_PROPERTIES, nullptr, {}, 0});
        xrEnumerateInstanceExtensionProperties(nullptr, count, &count, all.data());
        for (const XrExtensionProperties& e : all)
            if (std::strcmp(e.extensionName, name) == 0)
                return true;
        return false;
    }

    template <typename Function>
    Function Get(XrInstance instance, const char* name)
    {
        PFN_xrVoidFunction function = nullptr;
        xrGetInstanceProcAddr(instance, name, &function);
        return reinterpret_cast<Function>(function);
    }

    struct App
    {
        XrInstance instance = XR_NULL_HANDLE;
        XrSystemId system = XR_NULL_SYSTEM_ID;
        XrSession session = XR_NULL_HANDLE;
        XrSpace local = XR_NULL_HANDLE;
        XrHandTrackerEXT hands[2] = {XR_NULL_HANDLE, XR_NULL_HANDLE}; // left, right
        bool forceFeedback = false;
        PFN_xrLocateHandJointsEXT locate = nullptr;
        PFN_xrApplyForceFeedbackCurlMNDX applyCurl = nullptr;
    };

    bool CreateInstance(App& app)
    {
        if (!Offered(XR_EXT_HAND_TRACKING_EXTENSION_NAME))
        {
            std::fprintf(stderr, "No hand tracking: enable the layer (XR_ENABLE_API_LAYERS="
                                 "XR_APILAYER_TSCORE_hand_tracking)\n");
            return false;
        }
        std::vector<const char*> extensions{XR_EXT_HAND_TRACKING_EXTENSION_NAME};
        for (const char* optional : {XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME, XR_MND_HEADLESS_EXTENSION_NAME})
            if (Offered(optional))
                extensions.push_back(optional);
        auto info = Typed<XrInstanceCreateInfo>(XR_TYPE_INSTANCE_CREATE_INFO);
        std::strcpy(info.applicationInfo.applicationName, "openxr_hands");
        info.applicationInfo.apiVersion = XR_CURRENT_API_VERSION;
        info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
        info.enabledExtensionNames = extensions.data();
        XrSystemGetInfo systemInfo{XR_TYPE_SYSTEM_GET_INFO, nullptr, XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY};
        if (XR_FAILED(xrCreateInstance(&info, &app.instance)) ||
            XR_FAILED(xrGetSystem(app.instance, &systemInfo, &app.system)))
            return false;
        auto curl = Typed<XrSystemForceFeedbackCurlPropertiesMNDX>(XR_TYPE_SYSTEM_FORCE_FEEDBACK_CURL_PROPERTIES_MNDX);
        const bool curlEnabled = Offered(XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME);
        auto hands = Typed<XrSystemHandTrackingPropertiesEXT>(XR_TYPE_SYSTEM_HAND_TRACKING_PROPERTIES_EXT,
                                                              curlEnabled ? &curl : nullptr);
        auto properties = Typed<XrSystemProperties>(XR_TYPE_SYSTEM_PROPERTIES, &hands);
        xrGetSystemProperties(app.instance, app.system, &properties);
        app.forceFeedback = curl.supportsForceFeedbackCurl == XR_TRUE;
        std::printf("%s: hand tracking %s, force feedback %s\n", properties.systemName,
                    hands.supportsHandTracking ? "yes" : "no", app.forceFeedback ? "yes" : "no");
        return true;
    }

    bool CreateSession(App& app)
    {
        XrSessionCreateInfo info{XR_TYPE_SESSION_CREATE_INFO, nullptr, 0, app.system};
        XrReferenceSpaceCreateInfo local{
            XR_TYPE_REFERENCE_SPACE_CREATE_INFO, nullptr, XR_REFERENCE_SPACE_TYPE_LOCAL, {{0, 0, 0, 1}, {0, 0, 0}}};
        if (XR_FAILED(xrCreateSession(app.instance, &info, &app.session)) ||
            XR_FAILED(xrCreateReferenceSpace(app.session, &local, &app.local)))
            return false;
        auto create = Get<PFN_xrCreateHandTrackerEXT>(app.instance, "xrCreateHandTrackerEXT");
        for (XrHandEXT hand : {XR_HAND_LEFT_EXT, XR_HAND_RIGHT_EXT})
        {
            XrHandTrackerCreateInfoEXT tracker{XR_TYPE_HAND_TRACKER_CREATE_INFO_EXT, nullptr, hand,
                                               XR_HAND_JOINT_SET_DEFAULT_EXT};
            if (!create || XR_FAILED(create(app.session, &tracker, &app.hands[hand == XR_HAND_RIGHT_EXT])))
                return false;
        }
        app.locate = Get<PFN_xrLocateHandJointsEXT>(app.instance, "xrLocateHandJointsEXT");
        if (app.forceFeedback)
            app.applyCurl = Get<PFN_xrApplyForceFeedbackCurlMNDX>(app.instance, "xrApplyForceFeedbackCurlMNDX");
        return app.locate != nullptr;
    }

    // One focused frame: where each index fingertip is, and the grip's force on every finger.
    void TrackAndGrip(const App& app, XrTime time, double seconds, bool print)
    {
        // 0 (free) to 1 (the fingers held open), closing and opening every two seconds.
        const auto grip = static_cast<float>(0.5 - 0.5 * std::cos(seconds * 3.14159265358979));
        XrForceFeedbackCurlApplyLocationMNDX fingers[5];
        for (int f = 0; f < 5; ++f)
            fingers[f] = {static_cast<XrForceFeedbackCurlLocationMNDX>(f), grip};
        const XrForceFeedbackCurlApplyLocationsMNDX curl{XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX, nullptr, 5,
                                                         fingers};
        for (int right = 0; right < 2; ++right)
        {
            XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
            XrHandJointLocationsEXT located{XR_TYPE_HAND_JOINT_LOCATIONS_EXT, nullptr, XR_FALSE,
                                            XR_HAND_JOINT_COUNT_EXT, joints};
            const XrHandJointsLocateInfoEXT where{XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT, nullptr, app.local, time};
            const XrResult found = app.locate(app.hands[right], &where, &located);
            const XrResult felt =
                app.applyCurl ? app.applyCurl(app.hands[right], &curl) : XR_ERROR_FUNCTION_UNSUPPORTED;
            if (!print)
                continue;
            const XrVector3f tip = joints[XR_HAND_JOINT_INDEX_TIP_EXT].pose.position;
            if (XR_SUCCEEDED(found) && located.isActive)
                std::printf("t=%.1f %s index tip (%.3f, %.3f, %.3f) m", seconds, right ? "right" : "left", tip.x, tip.y,
                            tip.z);
            else
                std::printf("t=%.1f %s hand not tracked", seconds, right ? "right" : "left");
            if (felt == XR_SUCCESS)
                std::printf(", grip %.2f\n", static_cast<double>(grip));
            else
                std::printf(", no force feedback (%d)\n", static_cast<int>(felt));
        }
    }

    // Follows the session's states: begins it when ready, ends it when stopping.
    bool PollEvents(const App& app, XrSessionState& state)
    {
        auto event = Typed<XrEventDataBuffer>(XR_TYPE_EVENT_DATA_BUFFER);
        while (xrPollEvent(app.instance, &event) == XR_SUCCESS)
        {
            if (event.type == XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED)
            {
                state = reinterpret_cast<const XrEventDataSessionStateChanged&>(event).state;
                const XrSessionBeginInfo begin{XR_TYPE_SESSION_BEGIN_INFO, nullptr,
                                               XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO};
                if (state == XR_SESSION_STATE_READY && XR_FAILED(xrBeginSession(app.session, &begin)))
                    return false;
                if (state == XR_SESSION_STATE_STOPPING && XR_FAILED(xrEndSession(app.session)))
                    return false;
                if (state == XR_SESSION_STATE_EXITING || state == XR_SESSION_STATE_LOSS_PENDING)
                    return false;
            }
            event = Typed<XrEventDataBuffer>(XR_TYPE_EVENT_DATA_BUFFER);
        }
        return true;
    }

    void Run(const App& app, double duration)
    {
        XrSessionState state = XR_SESSION_STATE_UNKNOWN;
        bool exitRequested = false;
        double printed = -1.0;
        const auto start = std::chrono::steady_clock::now();
        while (PollEvents(app, state))
        {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (seconds >= duration && !exitRequested && state >= XR_SESSION_STATE_READY)
                exitRequested = XR_SUCCEEDED(xrRequestExitSession(app.session));
            if (state < XR_SESSION_STATE_SYNCHRONIZED || state > XR_SESSION_STATE_FOCUSED)
                continue;
            auto frame = Typed<XrFrameState>(XR_TYPE_FRAME_STATE);
            if (XR_FAILED(xrWaitFrame(app.session, nullptr, &frame)) || XR_FAILED(xrBeginFrame(app.session, nullptr)))
                return;
            if (state == XR_SESSION_STATE_FOCUSED)
            {
                const bool print = seconds - printed >= 0.5;
                printed = print ? seconds : printed;
                TrackAndGrip(app, frame.predictedDisplayTime, seconds, print);
            }
            XrFrameEndInfo end{XR_TYPE_FRAME_END_INFO,           nullptr, frame.predictedDisplayTime,
                               XR_ENVIRONMENT_BLEND_MODE_OPAQUE, 0,       nullptr};
            xrEndFrame(app.session, &end);
        }
    }
}

int main(int argc, char** argv)
{
    const double duration = argc > 1 ? std::atof(argv[1]) : 3.0;
    App app;
    const bool ready = CreateInstance(app) && CreateSession(app);
    if (ready)
        Run(app, duration);
    // Destroying the instance ends its session and trackers, and releases their force.
    if (app.instance != XR_NULL_HANDLE)
        xrDestroyInstance(app.instance);
    return ready ? 0 : 1;
}
