// A small OpenXR runtime for trying and testing applications without a headset: one
// head-mounted system, sessions without graphics (XR_MND_headless) that run through the
// standard's states (idle, ready, then synchronized, visible and focused once begun; visible,
// synchronized and stopping when the application asks to exit), frames paced at 90 Hz, and
// reference spaces at fixed places. Like a runtime without hand tracking, it offers no other
// extension, so the hand-tracking layer answers hands and force feedback above it.

#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "LoaderInterface.h"

namespace
{
    struct Space
    {
        XrSession session;
        XrReferenceSpaceType type;
        XrPosef pose; // in the reference space
    };

    struct Session
    {
        XrInstance instance;
        XrSessionState state;
        bool running;
    };

    struct State
    {
        std::mutex mutex;
        std::map<XrInstance, std::unique_ptr<int>> instances;
        std::map<XrSession, Session> sessions;
        std::map<XrSpace, std::unique_ptr<Space>> spaces;
        std::deque<XrEventDataSessionStateChanged> events; // of every instance, oldest first
    };

    constexpr std::chrono::nanoseconds framePeriod(11111111); // 90 Hz

    XrTime Now()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    // Moves the session through the states, one event each; the caller holds the lock.
    void Enter(State& state, XrSession session, std::initializer_list<XrSessionState> states)
    {
        Session& s = state.sessions.at(session);
        for (const XrSessionState next : states)
        {
            s.state = next;
            state.events.push_back({XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED, nullptr, session, next, Now()});
        }
    }

    bool Headless(const char* name) { return name && std::strcmp(name, XR_MND_HEADLESS_EXTENSION_NAME) == 0; }

    State& Get()
    {
        static State state;
        return state;
    }

    XrQuaternionf Multiply(XrQuaternionf a, XrQuaternionf b)
    {
        return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
    }

    XrVector3f Rotate(XrQuaternionf q, XrVector3f v)
    {
        const XrQuaternionf r = Multiply(Multiply(q, {v.x, v.y, v.z, 0}), {-q.x, -q.y, -q.z, q.w});
        return {r.x, r.y, r.z};
    }

    XrPosef Compose(XrPosef a, XrPosef b)
    {
        const XrVector3f p = Rotate(a.orientation, b.position);
        return {Multiply(a.orientation, b.orientation), {a.position.x + p.x, a.position.y + p.y, a.position.z + p.z}};
    }

    XrPosef Inverse(XrPosef a)
    {
        const XrQuaternionf q{-a.orientation.x, -a.orientation.y, -a.orientation.z, a.orientation.w};
        const XrVector3f p = Rotate(q, a.position);
        return {q, {-p.x, -p.y, -p.z}};
    }

    // Where each reference space lies in the world: the stage on the floor, turned and moved
    // away from the local origin, the viewer's head above it.
    XrPosef Origin(XrReferenceSpaceType type)
    {
        const float half = 0.3926991f; // 45 degrees about +Y, halved
        switch (type)
        {
        case XR_REFERENCE_SPACE_TYPE_STAGE:
            return {{0, std::sin(half), 0, std::cos(half)}, {0.5f, -1.6f, 0.25f}};
        case XR_REFERENCE_SPACE_TYPE_VIEW:
            return {{0, 0, 0, 1}, {0, 0.1f, 0}};
        default:
            return {{0, 0, 0, 1}, {0, 0, 0}};
        }
    }

    template <typename Key, typename Map>
    bool Known(const Map& map, Key key)
    {
        std::lock_guard<std::mutex> lock(Get().mutex);
        return map.count(key) != 0;
    }
}

extern "C"
{
    XrResult EnumerateInstanceExtensionProperties(const char* layer, uint32_t capacity, uint32_t* count,
                                                  XrExtensionProperties* properties)
    {
        if (!count || (capacity > 0 && !properties))
            return XR_ERROR_VALIDATION_FAILURE;
        if (layer)
            return XR_ERROR_API_LAYER_NOT_PRESENT;
        *count = 1;
        if (capacity == 0)
            return XR_SUCCESS;
        std::strncpy(properties[0].extensionName, XR_MND_HEADLESS_EXTENSION_NAME, XR_MAX_EXTENSION_NAME_SIZE);
        properties[0].extensionVersion = XR_MND_headless_SPEC_VERSION;
        return XR_SUCCESS;
    }

    XrResult CreateInstance(const XrInstanceCreateInfo* info, XrInstance* instance)
    {
        if (!info || !instance || (info->enabledExtensionCount > 0 && !info->enabledExtensionNames))
            return XR_ERROR_VALIDATION_FAILURE;
        for (uint32_t i = 0; i < info->enabledExtensionCount; ++i)
            if (!Headless(info->enabledExtensionNames[i]))
                return XR_ERROR_EXTENSION_NOT_PRESENT;
        auto object = std::make_unique<int>(0);
        *instance = reinterpret_cast<XrInstance>(object.get());
        std::lock_guard<std::mutex> lock(Get().mutex);
        Get().instances[*instance] = std::move(object);
        return XR_SUCCESS;
    }

    XrResult DestroyInstance(XrInstance instance)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.instances.erase(instance))
            return XR_ERROR_HANDLE_INVALID;
        for (auto it = state.sessions.begin(); it != state.sessions.end();)
        {
            if (it->second.instance != instance)
            {
                ++it;
                continue;
            }
            for (auto s = state.spaces.begin(); s != state.spaces.end();)
                s = s->second->session == it->first ? state.spaces.erase(s) : std::next(s);
            for (auto e = state.events.begin(); e != state.events.end();)
                e = e->session == it->first ? state.events.erase(e) : std::next(e);
            delete reinterpret_cast<int*>(it->first);
            it = state.sessions.erase(it);
        }
        return XR_SUCCESS;
    }

    XrResult GetInstanceProperties(XrInstance instance, XrInstanceProperties* properties)
    {
        if (!properties)
            return XR_ERROR_VALIDATION_FAILURE;
        if (!Known(Get().instances, instance))
            return XR_ERROR_HANDLE_INVALID;
        properties->runtimeVersion = XR_MAKE_VERSION(0, 1, 0);
        std::strncpy(properties->runtimeName, "TSCore headless runtime", XR_MAX_RUNTIME_NAME_SIZE);
        return XR_SUCCESS;
    }

    XrResult GetSystem(XrInstance instance, const XrSystemGetInfo* info, XrSystemId* system)
    {
        if (!info || !system)
            return XR_ERROR_VALIDATION_FAILURE;
        if (!Known(Get().instances, instance))
            return XR_ERROR_HANDLE_INVALID;
        if (info->formFactor != XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY)
            return XR_ERROR_FORM_FACTOR_UNSUPPORTED;
        *system = 1;
        return XR_SUCCESS;
    }

    XrResult GetSystemProperties(XrInstance instance, XrSystemId system, XrSystemProperties* properties)
    {
        if (!properties)
            return XR_ERROR_VALIDATION_FAILURE;
        if (!Known(Get().instances, instance) || system != 1)
            return XR_ERROR_HANDLE_INVALID;
        properties->systemId = system;
        properties->vendorId = 0;
        std::strncpy(properties->systemName, "TSCore headless system", XR_MAX_SYSTEM_NAME_SIZE);
        properties->graphicsProperties = {1, 1, 1};
        properties->trackingProperties = {XR_TRUE, XR_TRUE};
        return XR_SUCCESS; // chained structures it does not know stay untouched
    }

    XrResult CreateSession(XrInstance instance, const XrSessionCreateInfo* info, XrSession* session)
    {
        if (!info || !session)
            return XR_ERROR_VALIDATION_FAILURE;
        if (!Known(Get().instances, instance))
            return XR_ERROR_HANDLE_INVALID;
        *session = reinterpret_cast<XrSession>(new int(0));
        std::lock_guard<std::mutex> lock(Get().mutex);
        Get().sessions[*session] = Session{instance, XR_SESSION_STATE_UNKNOWN, false};
        Enter(Get(), *session, {XR_SESSION_STATE_IDLE, XR_SESSION_STATE_READY});
        return XR_SUCCESS;
    }

    XrResult BeginSession(XrSession session, const XrSessionBeginInfo* info)
    {
        if (!info)
            return XR_ERROR_VALIDATION_FAILURE;
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        if (it == state.sessions.end())
            return XR_ERROR_HANDLE_INVALID;
        if (it->second.running)
            return XR_ERROR_SESSION_RUNNING;
        if (it->second.state != XR_SESSION_STATE_READY)
            return XR_ERROR_SESSION_NOT_READY;
        it->second.running = true;
        Enter(state, session, {XR_SESSION_STATE_SYNCHRONIZED, XR_SESSION_STATE_VISIBLE, XR_SESSION_STATE_FOCUSED});
        return XR_SUCCESS;
    }

    XrResult RequestExitSession(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        if (it == state.sessions.end())
            return XR_ERROR_HANDLE_INVALID;
        if (!it->second.running)
            return XR_ERROR_SESSION_NOT_RUNNING;
        Enter(state, session, {XR_SESSION_STATE_VISIBLE, XR_SESSION_STATE_SYNCHRONIZED, XR_SESSION_STATE_STOPPING});
        return XR_SUCCESS;
    }

    XrResult EndSession(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto it = state.sessions.find(session);
        if (it == state.sessions.end())
            return XR_ERROR_HANDLE_INVALID;
        if (!it->second.running)
            return XR_ERROR_SESSION_NOT_RUNNING;
        if (it->second.state != XR_SESSION_STATE_STOPPING)
            return XR_ERROR_SESSION_NOT_STOPPING;
        it->second.running = false;
        Enter(state, session, {XR_SESSION_STATE_IDLE, XR_SESSION_STATE_EXITING});
        return XR_SUCCESS;
    }

    XrResult PollEvent(XrInstance instance, XrEventDataBuffer* event)
    {
        if (!event)
            return XR_ERROR_VALIDATION_FAILURE;
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.instances.count(instance))
            return XR_ERROR_HANDLE_INVALID;
        for (auto it = state.events.begin(); it != state.events.end(); ++it)
        {
            const auto session = state.sessions.find(it->session);
            if (session == state.sessions.end() || session->second.instance != instance)
                continue;
            std::memcpy(event, &*it, sizeof *it);
            state.events.erase(it);
            return XR_SUCCESS;
        }
        return XR_EVENT_UNAVAILABLE;
    }

    XrResult WaitFrame(XrSession session, const XrFrameWaitInfo*, XrFrameState* frame)
    {
        if (!frame)
            return XR_ERROR_VALIDATION_FAILURE;
        bool visible = false;
        {
            State& state = Get();
            std::lock_guard<std::mutex> lock(state.mutex);
            const auto it = state.sessions.find(session);
            if (it == state.sessions.end())
                return XR_ERROR_HANDLE_INVALID;
            if (!it->second.running)
                return XR_ERROR_SESSION_NOT_RUNNING;
            visible = it->second.state == XR_SESSION_STATE_VISIBLE || it->second.state == XR_SESSION_STATE_FOCUSED;
        }
        std::this_thread::sleep_for(framePeriod);
        frame->predictedDisplayTime = Now() + framePeriod.count();
        frame->predictedDisplayPeriod = framePeriod.count();
        frame->shouldRender = visible ? XR_TRUE : XR_FALSE;
        return XR_SUCCESS;
    }

    XrResult BeginFrame(XrSession session, const XrFrameBeginInfo*)
    {
        return Known(Get().sessions, session) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID;
    }

    XrResult EndFrame(XrSession session, const XrFrameEndInfo* info)
    {
        if (!info)
            return XR_ERROR_VALIDATION_FAILURE;
        return Known(Get().sessions, session) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID;
    }

    XrResult DestroySession(XrSession session)
    {
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.sessions.erase(session))
            return XR_ERROR_HANDLE_INVALID;
        for (auto e = state.events.begin(); e != state.events.end();)
            e = e->session == session ? state.events.erase(e) : std::next(e);
        for (auto s = state.spaces.begin(); s != state.spaces.end();)
            s = s->second->session == session ? state.spaces.erase(s) : std::next(s);
        delete reinterpret_cast<int*>(session);
        return XR_SUCCESS;
    }

    XrResult CreateReferenceSpace(XrSession session, const XrReferenceSpaceCreateInfo* info, XrSpace* space)
    {
        if (!info || !space)
            return XR_ERROR_VALIDATION_FAILURE;
        if (!Known(Get().sessions, session))
            return XR_ERROR_HANDLE_INVALID;
        auto object = std::make_unique<Space>(Space{session, info->referenceSpaceType, info->poseInReferenceSpace});
        *space = reinterpret_cast<XrSpace>(object.get());
        std::lock_guard<std::mutex> lock(Get().mutex);
        Get().spaces[*space] = std::move(object);
        return XR_SUCCESS;
    }

    XrResult DestroySpace(XrSpace space)
    {
        std::lock_guard<std::mutex> lock(Get().mutex);
        return Get().spaces.erase(space) ? XR_SUCCESS : XR_ERROR_HANDLE_INVALID;
    }

    XrResult LocateSpace(XrSpace space, XrSpace baseSpace, XrTime time, XrSpaceLocation* location)
    {
        if (!location || time <= 0)
            return location ? XR_ERROR_TIME_INVALID : XR_ERROR_VALIDATION_FAILURE;
        State& state = Get();
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto a = state.spaces.find(space);
        const auto b = state.spaces.find(baseSpace);
        if (a == state.spaces.end() || b == state.spaces.end())
            return XR_ERROR_HANDLE_INVALID;
        const XrPosef world = Compose(Origin(a->second->type), a->second->pose);
        const XrPosef base = Compose(Origin(b->second->type), b->second->pose);
        location->pose = Compose(Inverse(base), world);
        location->locationFlags = XR_SPACE_LOCATION_ORIENTATION_VALID_BIT | XR_SPACE_LOCATION_POSITION_VALID_BIT |
                                  XR_SPACE_LOCATION_ORIENTATION_TRACKED_BIT | XR_SPACE_LOCATION_POSITION_TRACKED_BIT;
        return XR_SUCCESS;
    }

    XrResult GetInstanceProcAddr(XrInstance, const char* name, PFN_xrVoidFunction* function)
    {
        static const std::map<std::string, PFN_xrVoidFunction> functions = {
            {"xrGetInstanceProcAddr", reinterpret_cast<PFN_xrVoidFunction>(&GetInstanceProcAddr)},
            {"xrEnumerateInstanceExtensionProperties",
             reinterpret_cast<PFN_xrVoidFunction>(&EnumerateInstanceExtensionProperties)},
            {"xrCreateInstance", reinterpret_cast<PFN_xrVoidFunction>(&CreateInstance)},
            {"xrDestroyInstance", reinterpret_cast<PFN_xrVoidFunction>(&DestroyInstance)},
            {"xrGetInstanceProperties", reinterpret_cast<PFN_xrVoidFunction>(&GetInstanceProperties)},
            {"xrGetSystem", reinterpret_cast<PFN_xrVoidFunction>(&GetSystem)},
            {"xrGetSystemProperties", reinterpret_cast<PFN_xrVoidFunction>(&GetSystemProperties)},
            {"xrCreateSession", reinterpret_cast<PFN_xrVoidFunction>(&CreateSession)},
            {"xrDestroySession", reinterpret_cast<PFN_xrVoidFunction>(&DestroySession)},
            {"xrBeginSession", reinterpret_cast<PFN_xrVoidFunction>(&BeginSession)},
            {"xrRequestExitSession", reinterpret_cast<PFN_xrVoidFunction>(&RequestExitSession)},
            {"xrEndSession", reinterpret_cast<PFN_xrVoidFunction>(&EndSession)},
            {"xrPollEvent", reinterpret_cast<PFN_xrVoidFunction>(&PollEvent)},
            {"xrWaitFrame", reinterpret_cast<PFN_xrVoidFunction>(&WaitFrame)},
            {"xrBeginFrame", reinterpret_cast<PFN_xrVoidFunction>(&BeginFrame)},
            {"xrEndFrame", reinterpret_cast<PFN_xrVoidFunction>(&EndFrame)},
            {"xrCreateReferenceSpace", reinterpret_cast<PFN_xrVoidFunction>(&CreateReferenceSpace)},
            {"xrDestroySpace", reinterpret_cast<PFN_xrVoidFunction>(&DestroySpace)},
            {"xrLocateSpace", reinterpret_cast<PFN_xrVoidFunction>(&LocateSpace)},
        };
        if (!name || !function)
            return XR_ERROR_VALIDATION_FAILURE;
        const auto it = functions.find(name);
        *function = it == functions.end() ? nullptr : it->second;
        return *function ? XR_SUCCESS : XR_ERROR_FUNCTION_UNSUPPORTED;
    }

    __attribute__((visibility("default"))) XrResult
    xrNegotiateLoaderRuntimeInterface(const XrNegotiateLoaderInfo* loaderInfo, XrNegotiateRuntimeRequest* request)
    {
        if (!loaderInfo || !request || loaderInfo->structType != XR_LOADER_INTERFACE_STRUCT_LOADER_INFO ||
            request->structType != XR_LOADER_INTERFACE_STRUCT_RUNTIME_REQUEST ||
            loaderInfo->maxInterfaceVersion < XR_CURRENT_LOADER_RUNTIME_VERSION)
            return XR_ERROR_INITIALIZATION_FAILED;
        request->runtimeInterfaceVersion = XR_CURRENT_LOADER_RUNTIME_VERSION;
        request->runtimeApiVersion = XR_CURRENT_API_VERSION;
        request->getInstanceProcAddr = &GetInstanceProcAddr;
        return XR_SUCCESS;
    }
}
