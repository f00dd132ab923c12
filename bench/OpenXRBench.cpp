// The OpenXR joints of a hand pose: what the hand-tracking layer adds to every located hand,
// and, where the layer is built, a whole xrLocateHandJointsEXT call as an application makes
// it: through Debian's loader and the layer to the headless runtime and back, with a real
// tesslink-sim publishing the glove.
#include <benchmark/benchmark.h>

#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>

#include "AllocCounter.h"

#ifdef TSCORE_XR_RUNTIME_JSON
#  include <openxr/openxr.h>

#  include <chrono>
#  include <cstdlib>
#  include <cstring>
#  include <thread>

#  include "SimSession.h"
#endif

namespace
{
    // Steady state: the first call sizes what is reused; allocs/op counts the rest.
    template <typename Call>
    void SteadyState(benchmark::State& state, Call call)
    {
        call();
        const std::size_t before = TSCoreBench::AllocationCount();
        for (auto _ : state)
            call();
        state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(TSCoreBench::AllocationCount() - before),
                                                         benchmark::Counter::kAvgIterations);
    }

    void BM_Compute_OpenXRHandJoints(benchmark::State& state)
    {
        const TSCore::HandPose pose = TSCore::HandPose::DefaultIdle(true);
        const TSCore::Kinematics::BasicHandModel model = TSCore::Kinematics::BasicHandModel::Default(true);
        const TSCore::OpenXRHand::Pose wrist{TSCore::Kinematics::Quat(0.1f, 0.2f, 0.3f, 0.927f),
                                             TSCore::Kinematics::Vect3D(0.2f, 1.1f, -0.3f)};
        TSCore::OpenXRHand::Locations out;
        SteadyState(state,
                    [&]
                    {
                        TSCore::OpenXRHand::Locate(pose, model, true, wrist, out);
                        benchmark::DoNotOptimize(out.jointLocations.data());
                    });
    }

#ifdef TSCORE_XR_RUNTIME_JSON
    // An application's instance, session, local space and right-hand tracker, through the loader.
    struct XrApp
    {
        XrInstance instance = XR_NULL_HANDLE;
        XrSession session = XR_NULL_HANDLE;
        XrSpace local = XR_NULL_HANDLE;
        XrHandTrackerEXT tracker = XR_NULL_HANDLE;
        PFN_xrLocateHandJointsEXT locate = nullptr;

        bool Open()
        {
            setenv("XR_RUNTIME_JSON", TSCORE_XR_RUNTIME_JSON, 1);
            setenv("XR_API_LAYER_PATH", TSCORE_XR_LAYER_DIR, 1);
            setenv("XR_ENABLE_API_LAYERS", "XR_APILAYER_TSCORE_hand_tracking", 1);
            setenv("TSCORE_XR_CONFIG", "/dev/null", 1); // the layer's defaults
            XrInstanceCreateInfo info{};
            info.type = XR_TYPE_INSTANCE_CREATE_INFO;
            std::strcpy(info.applicationInfo.applicationName, "tscore bench");
            info.applicationInfo.apiVersion = XR_CURRENT_API_VERSION;
            const char* extensions[] = {XR_MND_HEADLESS_EXTENSION_NAME, XR_EXT_HAND_TRACKING_EXTENSION_NAME};
            info.enabledExtensionCount = 2;
            info.enabledExtensionNames = extensions;
            XrSystemId system = XR_NULL_SYSTEM_ID;
            XrSystemGetInfo systemInfo{XR_TYPE_SYSTEM_GET_INFO, nullptr, XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY};
            if (XR_FAILED(xrCreateInstance(&info, &instance)) || XR_FAILED(xrGetSystem(instance, &systemInfo, &system)))
                return false;
            XrSessionCreateInfo sessionInfo{XR_TYPE_SESSION_CREATE_INFO, nullptr, 0, system};
            XrReferenceSpaceCreateInfo spaceInfo{
                XR_TYPE_REFERENCE_SPACE_CREATE_INFO, nullptr, XR_REFERENCE_SPACE_TYPE_LOCAL, {{0, 0, 0, 1}, {0, 0, 0}}};
            PFN_xrCreateHandTrackerEXT create = nullptr;
            if (XR_FAILED(xrCreateSession(instance, &sessionInfo, &session)) ||
                XR_FAILED(xrCreateReferenceSpace(session, &spaceInfo, &local)) ||
                XR_FAILED(xrGetInstanceProcAddr(instance, "xrCreateHandTrackerEXT",
                                                reinterpret_cast<PFN_xrVoidFunction*>(&create))) ||
                XR_FAILED(xrGetInstanceProcAddr(instance, "xrLocateHandJointsEXT",
                                                reinterpret_cast<PFN_xrVoidFunction*>(&locate))))
                return false;
            XrHandTrackerCreateInfoEXT trackerInfo{XR_TYPE_HAND_TRACKER_CREATE_INFO_EXT, nullptr, XR_HAND_RIGHT_EXT,
                                                   XR_HAND_JOINT_SET_DEFAULT_EXT};
            return XR_SUCCEEDED(create(session, &trackerInfo, &tracker));
        }

        ~XrApp()
        {
            if (instance != XR_NULL_HANDLE)
                xrDestroyInstance(instance);
        }
    };

    // One right hand located per call, as a frame of an application asks for it.
    void BM_OpenXR_LocateHandJoints(benchmark::State& state)
    {
        TSCoreBench::SimSession session({"--tessara", "right", "--motion", "wave"});
        XrApp app;
        if (!session.ok || !app.Open())
        {
            state.SkipWithError("no OpenXR session with the layer");
            return;
        }
        XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
        XrHandJointLocationsEXT locations{XR_TYPE_HAND_JOINT_LOCATIONS_EXT, nullptr, XR_FALSE, XR_HAND_JOINT_COUNT_EXT,
                                          joints};
        const XrHandJointsLocateInfoEXT info{XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT, nullptr, app.local, 1};
        // The first reading may take a moment after the service starts.
        for (int i = 0; i < 100 && XR_SUCCEEDED(app.locate(app.tracker, &info, &locations)) && !locations.isActive; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!locations.isActive)
        {
            state.SkipWithError("the layer tracks no hand");
            return;
        }
        SteadyState(state,
                    [&]
                    {
                        app.locate(app.tracker, &info, &locations);
                        benchmark::DoNotOptimize(joints[XR_HAND_JOINT_INDEX_TIP_EXT].pose.position.x);
                    });
        state.counters["active"] = locations.isActive ? 1.0 : 0.0;
    }
#endif
}

BENCHMARK(BM_Compute_OpenXRHandJoints);
#ifdef TSCORE_XR_RUNTIME_JSON
BENCHMARK(BM_OpenXR_LocateHandJoints);
#endif
