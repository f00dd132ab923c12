// An OpenXR application against Debian's real loader, the headless runtime and the
// hand-tracking layer (with Khronos' validation layer above it where installed), while
// tesslink-sim animates a right Tessara and a left Kelvo and prints the commands they get.

#include <gtest/gtest.h>

#include <openxr/openxr.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Hand/OpenXRHand.h>
#include <TSCore/Kinematics/BasicHandModel.h>
#include <TSCore/Kinematics/Values.h>

#include "ForceFeedbackCurl.h"
#include "SimProcess.h"

using TSCore::OpenXRHand;
using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;

namespace
{
    constexpr const char* layerName = "XR_APILAYER_TSCORE_hand_tracking";
    // What the test's settings file says; the stage is where the headless runtime puts it.
    constexpr float yawDegrees = 30.0f;
    const Vect3D rightOffset(0.2f, 1.1f, -0.3f);
    const Vect3D leftOffset(-0.2f, 1.1f, -0.3f);

    // An OpenXR structure of that type, all else zero.
    template <typename T>
    T Make(XrStructureType type, void* next = nullptr)
    {
        T value{};
        value.type = type;
        value.next = next;
        return value;
    }

    template <typename Function>
    Function Get(XrInstance instance, const char* name)
    {
        PFN_xrVoidFunction function = nullptr;
        return XR_SUCCEEDED(xrGetInstanceProcAddr(instance, name, &function)) ? reinterpret_cast<Function>(function)
                                                                              : nullptr;
    }

    // An application with an instance, a session, a local space and a tracker per hand.
    struct App
    {
        XrInstance instance = XR_NULL_HANDLE;
        XrSystemId system = XR_NULL_SYSTEM_ID;
        XrSession session = XR_NULL_HANDLE;
        XrSessionState state = XR_SESSION_STATE_UNKNOWN;
        XrSpace local = XR_NULL_HANDLE;
        XrHandTrackerEXT hands[2] = {XR_NULL_HANDLE, XR_NULL_HANDLE}; // left, right
        PFN_xrCreateHandTrackerEXT create = nullptr;
        PFN_xrDestroyHandTrackerEXT destroy = nullptr;
        PFN_xrLocateHandJointsEXT locate = nullptr;
        PFN_xrApplyForceFeedbackCurlMNDX applyCurl = nullptr;

        XrResult CreateInstance(bool handTracking)
        {
            auto info = Make<XrInstanceCreateInfo>(XR_TYPE_INSTANCE_CREATE_INFO);
            std::strcpy(info.applicationInfo.applicationName, "tscore hand tracking test");
            info.applicationInfo.apiVersion = XR_CURRENT_API_VERSION;
            const char* extensions[] = {XR_MND_HEADLESS_EXTENSION_NAME, XR_EXT_HAND_TRACKING_EXTENSION_NAME,
                                        XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME};
            info.enabledExtensionCount = handTracking ? 3 : 1;
            info.enabledExtensionNames = extensions;
            return xrCreateInstance(&info, &instance);
        }

        // The system's force-feedback property; curl false leaves it out of the chain.
        XrBool32 SystemProperties(bool curl = true)
        {
            auto curlProperties =
                Make<XrSystemForceFeedbackCurlPropertiesMNDX>(XR_TYPE_SYSTEM_FORCE_FEEDBACK_CURL_PROPERTIES_MNDX);
            auto handProperties = Make<XrSystemHandTrackingPropertiesEXT>(XR_TYPE_SYSTEM_HAND_TRACKING_PROPERTIES_EXT,
                                                                          curl ? &curlProperties : nullptr);
            auto properties = Make<XrSystemProperties>(XR_TYPE_SYSTEM_PROPERTIES, &handProperties);
            EXPECT_EQ(xrGetSystemProperties(instance, system, &properties), XR_SUCCESS);
            EXPECT_EQ(handProperties.supportsHandTracking, XR_TRUE);
            return curl ? curlProperties.supportsForceFeedbackCurl : XR_FALSE;
        }

        void Open(bool curlProperty = true)
        {
            ASSERT_EQ(CreateInstance(true), XR_SUCCESS);
            XrSystemGetInfo systemInfo{XR_TYPE_SYSTEM_GET_INFO, nullptr, XR_FORM_FACTOR_HEAD_MOUNTED_DISPLAY};
            ASSERT_EQ(xrGetSystem(instance, &systemInfo, &system), XR_SUCCESS);
            SystemProperties(curlProperty);
            create = Get<PFN_xrCreateHandTrackerEXT>(instance, "xrCreateHandTrackerEXT");
            destroy = Get<PFN_xrDestroyHandTrackerEXT>(instance, "xrDestroyHandTrackerEXT");
            locate = Get<PFN_xrLocateHandJointsEXT>(instance, "xrLocateHandJointsEXT");
            applyCurl = Get<PFN_xrApplyForceFeedbackCurlMNDX>(instance, "xrApplyForceFeedbackCurlMNDX");
            ASSERT_TRUE(create && destroy && locate && applyCurl);
            ASSERT_NO_FATAL_FAILURE(NewSession());
        }

        void NewSession()
        {
            XrSessionCreateInfo sessionInfo{XR_TYPE_SESSION_CREATE_INFO, nullptr, 0, system};
            ASSERT_EQ(xrCreateSession(instance, &sessionInfo, &session), XR_SUCCESS);
            state = XR_SESSION_STATE_UNKNOWN;
            local = Space(XR_REFERENCE_SPACE_TYPE_LOCAL);
            for (XrHandEXT hand : {XR_HAND_LEFT_EXT, XR_HAND_RIGHT_EXT})
            {
                XrHandTrackerCreateInfoEXT trackerInfo{XR_TYPE_HAND_TRACKER_CREATE_INFO_EXT, nullptr, hand,
                                                       XR_HAND_JOINT_SET_DEFAULT_EXT};
                ASSERT_EQ(create(session, &trackerInfo, &hands[hand == XR_HAND_RIGHT_EXT]), XR_SUCCESS);
            }
        }

        // Polls events until the session reaches the state, beginning it when ready.
        void Await(XrSessionState wanted)
        {
            for (int i = 0; i < 20 && state != wanted; ++i)
            {
                auto event = Make<XrEventDataBuffer>(XR_TYPE_EVENT_DATA_BUFFER);
                ASSERT_EQ(xrPollEvent(instance, &event), XR_SUCCESS) << "waiting for state " << wanted;
                ASSERT_EQ(event.type, XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED);
                state = reinterpret_cast<const XrEventDataSessionStateChanged&>(event).state;
                const XrSessionBeginInfo begin{XR_TYPE_SESSION_BEGIN_INFO, nullptr,
                                               XR_VIEW_CONFIGURATION_TYPE_PRIMARY_STEREO};
                if (state == XR_SESSION_STATE_READY)
                {
                    ASSERT_EQ(xrBeginSession(session, &begin), XR_SUCCESS);
                }
            }
            ASSERT_EQ(state, wanted);
        }

        // Curl values thumb first; leftOut leaves that location out.
        static constexpr float leftOut = -1.0f;
        XrResult Curl(bool right, std::vector<float> values)
        {
            std::vector<XrForceFeedbackCurlApplyLocationMNDX> given;
            for (std::size_t f = 0; f < values.size(); ++f)
                if (!(values[f] == leftOut))
                    given.push_back({static_cast<XrForceFeedbackCurlLocationMNDX>(f), values[f]});
            const XrForceFeedbackCurlApplyLocationsMNDX locations{XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX,
                                                                  nullptr, static_cast<uint32_t>(given.size()),
                                                                  given.data()};
            return applyCurl(hands[right], &locations);
        }

        XrSpace Space(XrReferenceSpaceType type)
        {
            XrReferenceSpaceCreateInfo info{
                XR_TYPE_REFERENCE_SPACE_CREATE_INFO, nullptr, type, {{0, 0, 0, 1}, {0, 0, 0}}};
            XrSpace space = XR_NULL_HANDLE;
            EXPECT_EQ(xrCreateReferenceSpace(session, &info, &space), XR_SUCCESS);
            return space;
        }

        XrResult Locate(bool right, XrHandJointLocationsEXT& out, XrHandJointLocationEXT* joints,
                        uint32_t count = XR_HAND_JOINT_COUNT_EXT, XrTime time = 1)
        {
            XrHandJointsLocateInfoEXT info{XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT, nullptr, local, time};
            out = {XR_TYPE_HAND_JOINT_LOCATIONS_EXT, nullptr, XR_FALSE, count, joints};
            return locate(hands[right], &info, &out);
        }

        ~App()
        {
            if (instance != XR_NULL_HANDLE)
                xrDestroyInstance(instance);
        }
    };

    class HandTrackingLayer : public testing::Test
    {
    protected:
        static void SetUpTestSuite()
        {
            const std::string settings = std::string(TSCORE_XR_TEST_DIR) + "/layer-settings.conf";
            // Unreadable lines are reported and leave the values read before them.
            std::ofstream(settings) << "# the test's placement\nspace = stage\nyaw = " << yawDegrees
                                    << "\nright_offset = 0.2 1.1 -0.3\nleft_offset=-0.2 1.1 -0.3\n"
                                    << "yaw = 1e99\nright_offset = 1 2\nno equals sign\ncolour = blue\n";
            setenv("XR_RUNTIME_JSON", TSCORE_XR_RUNTIME_JSON, 1);
            setenv("XR_API_LAYER_PATH", TSCORE_XR_LAYER_DIR, 1);
            setenv("XR_ENABLE_API_LAYERS", layerName, 1);
            setenv("TSCORE_XR_CONFIG", settings.c_str(), 1);
        }

        void SetUp() override { Reset(); }
        void TearDown() override
        {
            sim.Stop();
            Reset();
        }
        static void Reset()
        {
            TSCoreTest::RemoveSegments();
            TSCore::DeviceList::Dispose();
            TSCore::DeviceList::ReInitialize();
        }

        // Freezes each device's sensor text at what it shows now.
        void Freeze(int devices)
        {
            for (int i = 0; i < devices; ++i)
            {
                std::string text;
                ASSERT_TRUE(TSCore::DeviceList::GetSensorDataString("device" + std::to_string(i), text));
                ASSERT_TRUE(sim.Control("data " + std::to_string(i) + " " + text));
            }
        }

        TSCoreTest::SimProcess sim;
    };

    // What the converter makes of the glove's current reading, placed the way the settings say.
    OpenXRHand::Locations Expected(bool right, const XrPosef& stageInLocal)
    {
        std::shared_ptr<TSCore::HapticGlove> glove;
        OpenXRHand::Locations out;
        if (!TSCore::HapticGlove::GetGlove(right, glove))
            return out;
        TSCore::HandProfile profile = TSCore::HandProfile::Default(right);
        TSCore::HandPose pose;
        Quat imu;
        OpenXRHand::Pose wrist;
        const bool read = glove->GetHandPose(profile, pose) && glove->GetIMURotation(imu);
        OpenXRHand::WristPose(imu, right ? rightOffset : leftOffset, wrist);
        const Quat stage(stageInLocal.orientation.x, stageInLocal.orientation.y, stageInLocal.orientation.z,
                         stageInLocal.orientation.w);
        const Quat yaw = Quat::FromAngleAxis(yawDegrees * TSCore::Kinematics::Values::Deg2Rad, 0, 1, 0);
        wrist.orientation = stage * yaw * wrist.orientation;
        wrist.position = Vect3D(stageInLocal.position.x, stageInLocal.position.y, stageInLocal.position.z) +
                         stage.Rotate(wrist.position);
        OpenXRHand::Locate(pose, TSCore::Kinematics::BasicHandModel::Default(right), read, wrist, out);
        return out;
    }

    // The hand's isActive and every joint's flags; isActive false goes with no flags.
    void ExpectFlags(App& app, bool right, XrSpaceLocationFlags flags)
    {
        XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
        XrHandJointLocationsEXT locations;
        ASSERT_EQ(app.Locate(right, locations, joints), XR_SUCCESS);
        EXPECT_EQ(locations.isActive, flags ? XR_TRUE : XR_FALSE) << (right ? "right" : "left");
        for (const auto& joint : joints)
            EXPECT_EQ(joint.locationFlags, flags);
    }

    void ExpectInactive(App& app, bool right) { ExpectFlags(app, right, 0); }
}

TEST_F(HandTrackingLayer, AnswersBothHandsFromTheGlovesAsTheConverterDoes)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave", "--period", "1"}));
    uint32_t count = 0;
    ASSERT_EQ(xrEnumerateInstanceExtensionProperties(nullptr, 0, &count, nullptr), XR_SUCCESS);
    std::vector<XrExtensionProperties> extensions(count, Make<XrExtensionProperties>(XR_TYPE_EXTENSION_PROPERTIES));
    ASSERT_EQ(xrEnumerateInstanceExtensionProperties(nullptr, count, &count, extensions.data()), XR_SUCCESS);
    bool advertised = false;
    for (const auto& e : extensions)
        advertised = advertised || std::strcmp(e.extensionName, XR_EXT_HAND_TRACKING_EXTENSION_NAME) == 0;
    EXPECT_TRUE(advertised) << "the runtime lacks the extension; the layer adds it";

    App app;
    ASSERT_NO_FATAL_FAILURE(app.Open());
    // Animated: both hands active with every flag, and moving.
    XrHandJointLocationEXT first[XR_HAND_JOINT_COUNT_EXT], joints[XR_HAND_JOINT_COUNT_EXT];
    XrHandJointLocationsEXT locations;
    for (bool right : {false, true})
    {
        ASSERT_EQ(app.Locate(right, locations, first), XR_SUCCESS);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        ASSERT_EQ(app.Locate(right, locations, joints), XR_SUCCESS);
        EXPECT_EQ(locations.isActive, XR_TRUE);
        for (const auto& joint : joints)
            EXPECT_EQ(joint.locationFlags, OpenXRHand::allFlags);
        float moved = 0;
        for (int j = 0; j < XR_HAND_JOINT_COUNT_EXT; ++j)
            moved += std::fabs(joints[j].pose.position.x - first[j].pose.position.x) +
                     std::fabs(joints[j].pose.position.z - first[j].pose.position.z);
        EXPECT_GT(moved, 0.001f) << "the hand follows the animation";
    }

    // Frozen: the layer's locations equal the converter's for the same sensor text.
    Freeze(2);
    const XrSpace stage = app.Space(XR_REFERENCE_SPACE_TYPE_STAGE);
    auto stageInLocal = Make<XrSpaceLocation>(XR_TYPE_SPACE_LOCATION);
    ASSERT_EQ(xrLocateSpace(stage, app.local, 1, &stageInLocal), XR_SUCCESS);
    for (bool right : {false, true})
    {
        SCOPED_TRACE(right ? "right" : "left");
        ASSERT_EQ(app.Locate(right, locations, joints), XR_SUCCESS);
        const OpenXRHand::Locations expected = Expected(right, stageInLocal.pose);
        ASSERT_TRUE(expected.isActive);
        for (std::size_t j = 0; j < XR_HAND_JOINT_COUNT_EXT; ++j)
        {
            const auto& e = expected.jointLocations[j];
            const XrPosef& p = joints[j].pose;
            EXPECT_EQ(joints[j].locationFlags, e.locationFlags);
            EXPECT_FLOAT_EQ(joints[j].radius, e.radius);
            EXPECT_NEAR(p.position.x, e.pose.position.x, 1e-5f) << OpenXRHand::JointName(static_cast<int>(j));
            EXPECT_NEAR(p.position.y, e.pose.position.y, 1e-5f);
            EXPECT_NEAR(p.position.z, e.pose.position.z, 1e-5f);
            EXPECT_NEAR(std::fabs(p.orientation.x * e.pose.orientation.x + p.orientation.y * e.pose.orientation.y +
                                  p.orientation.z * e.pose.orientation.z + p.orientation.w * e.pose.orientation.w),
                        1.0f, 1e-5f);
        }
    }
    // Velocities asked for alongside: none known, none claimed.
    XrHandJointVelocityEXT velocities[XR_HAND_JOINT_COUNT_EXT];
    velocities[3].velocityFlags = 7;
    XrHandJointVelocitiesEXT chained{XR_TYPE_HAND_JOINT_VELOCITIES_EXT, nullptr, XR_HAND_JOINT_COUNT_EXT, velocities};
    XrHandJointsLocateInfoEXT info{XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT, nullptr, app.local, 1};
    locations = {XR_TYPE_HAND_JOINT_LOCATIONS_EXT, &chained, XR_FALSE, XR_HAND_JOINT_COUNT_EXT, joints};
    ASSERT_EQ(app.locate(app.hands[1], &info, &locations), XR_SUCCESS);
    EXPECT_EQ(velocities[3].velocityFlags, 0u);
}

TEST_F(HandTrackingLayer, FollowsTheGlovesAndTheServicesState)
{
    App app;
    ASSERT_NO_FATAL_FAILURE(app.Open());
    ExpectInactive(app, true); // no service at all
    {
        TSCoreTest::SimProcess stale;
        ASSERT_TRUE(stale.Launch({"--tessara", "right", "--stale"}));
        ExpectInactive(app, true); // a time stamp 100 s old
    }

    ASSERT_TRUE(sim.Launch({"--tessara", "right"}));
    ExpectFlags(app, true, OpenXRHand::allFlags);
    ExpectInactive(app, false); // no left glove
    // Not updating for 5 s: the last reading, valid but not tracked.
    ASSERT_TRUE(sim.Control("scan -5"));
    ExpectFlags(app, true, OpenXRHand::orientationValid | OpenXRHand::positionValid);
    ASSERT_TRUE(sim.Control("scan 0"));
    ASSERT_TRUE(sim.Control("disconnect 0"));
    ExpectInactive(app, true);
    ASSERT_TRUE(sim.Control("connect 0"));
    ExpectFlags(app, true, OpenXRHand::allFlags);
    ASSERT_TRUE(sim.Control("stale"));
    ExpectInactive(app, true);

    // A killed service leaves its segments behind; its last time stamp ages past 10 s.
    ASSERT_TRUE(sim.Control("scan -9"));
    ExpectFlags(app, true, OpenXRHand::orientationValid | OpenXRHand::positionValid);
    sim.Stop(SIGKILL);
    XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
    XrHandJointLocationsEXT locations{};
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    for (locations.isActive = XR_TRUE; locations.isActive && std::chrono::steady_clock::now() < until;)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_EQ(app.Locate(true, locations, joints), XR_SUCCESS);
    }
    ExpectInactive(app, true);
}

TEST_F(HandTrackingLayer, RejectsBadCallsAndEndsTrackersWithTheirSession)
{
    App app;
    ASSERT_NO_FATAL_FAILURE(app.Open());
    XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
    XrHandJointLocationsEXT locations;
    EXPECT_EQ(app.Locate(true, locations, joints, 21), XR_ERROR_VALIDATION_FAILURE);
    EXPECT_EQ(app.Locate(true, locations, nullptr), XR_ERROR_VALIDATION_FAILURE);
    XrHandTrackerCreateInfoEXT noHand{XR_TYPE_HAND_TRACKER_CREATE_INFO_EXT, nullptr, static_cast<XrHandEXT>(3),
                                      XR_HAND_JOINT_SET_DEFAULT_EXT};
    XrHandTrackerEXT tracker = XR_NULL_HANDLE;
    EXPECT_EQ(app.create(app.session, &noHand, &tracker), XR_ERROR_VALIDATION_FAILURE);

    ASSERT_EQ(app.destroy(app.hands[0]), XR_SUCCESS);
    EXPECT_EQ(app.destroy(app.hands[0]), XR_ERROR_HANDLE_INVALID);
    EXPECT_EQ(app.Locate(false, locations, joints), XR_ERROR_HANDLE_INVALID);
    // The right tracker ends with the session.
    ASSERT_EQ(xrDestroySession(app.session), XR_SUCCESS);
    EXPECT_EQ(app.Locate(true, locations, joints), XR_ERROR_HANDLE_INVALID);

    // An instance without the extension is not handed its functions (the loader allows one
    // instance at a time).
    xrDestroyInstance(app.instance);
    app.instance = XR_NULL_HANDLE;
    App plain;
    ASSERT_EQ(plain.CreateInstance(false), XR_SUCCESS);
    PFN_xrVoidFunction function = nullptr;
    EXPECT_EQ(xrGetInstanceProcAddr(plain.instance, "xrCreateHandTrackerEXT", &function),
              XR_ERROR_FUNCTION_UNSUPPORTED);
}

TEST_F(HandTrackingLayer, ForceFeedbackCurlReachesTheGlovesWhileFocusedAndIsReleased)
{
    App app;
    ASSERT_NO_FATAL_FAILURE(app.Open());
    EXPECT_EQ(app.SystemProperties(), XR_FALSE) << "no glove, no force feedback";
    EXPECT_EQ(app.Curl(true, {1, 1, 1, 1, 1}), XR_SESSION_NOT_FOCUSED) << "the session has not begun";
    ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_FOCUSED));
    EXPECT_EQ(app.Curl(true, {1, 1, 1, 1, 1}), XR_ERROR_FEATURE_UNSUPPORTED);

    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    EXPECT_EQ(app.SystemProperties(), XR_TRUE);
    // A curl of 1 holds the simulated index where it was while the hand closes.
    ASSERT_TRUE(sim.Control("flex 0 0,0.2,0.2,0,0"));
    const auto reach = [&app](XrHandJointEXT tip)
    {
        XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
        XrHandJointLocationsEXT hand;
        EXPECT_EQ(app.Locate(true, hand, joints), XR_SUCCESS);
        const XrVector3f a = joints[tip].pose.position, b = joints[XR_HAND_JOINT_WRIST_EXT].pose.position;
        return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
    };
    const float index = reach(XR_HAND_JOINT_INDEX_TIP_EXT), middle = reach(XR_HAND_JOINT_MIDDLE_TIP_EXT);
    ASSERT_EQ(app.Curl(true, {App::leftOut, 1}), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,100,0,0,0 "));
    ASSERT_TRUE(sim.Control("flex 0 1,1,1,1,1"));
    EXPECT_NEAR(reach(XR_HAND_JOINT_INDEX_TIP_EXT), index, 1e-5f);
    EXPECT_LT(reach(XR_HAND_JOINT_MIDDLE_TIP_EXT), middle - 0.02f) << "the middle finger closes";
    // Each value times 100 on that finger; on the Kelvo the pinky has no channel.
    ASSERT_EQ(app.Curl(true, {0.1f, 0.25f, 0.5f, 0.75f, 1}), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=10,25,50,75,100 buzz=0,0,0,0,0 thumper="));
    ASSERT_EQ(app.Curl(false, {App::leftOut, 0.3f, App::leftOut, 0.994f, 1}), XR_SUCCESS) << "locations left out are 0";
    ASSERT_TRUE(sim.WaitForPrefix("haptics device1 kelvo ffb=0,30,0,99 buzz=0,0 thumper=0 raw=7b5a011f01640101017d"));

    // Refused as the validation layer would refuse it, and nothing sent.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const std::vector<float>& bad : std::vector<std::vector<float>>{{}, {nan}, {1.01f}, {-0.0001f, 0.5f}})
        EXPECT_EQ(app.Curl(true, bad), XR_ERROR_VALIDATION_FAILURE);
    XrForceFeedbackCurlApplyLocationMNDX odd[6] = {{XR_FORCE_FEEDBACK_CURL_LOCATION_INDEX_CURL_MNDX, 0.5f},
                                                   {XR_FORCE_FEEDBACK_CURL_LOCATION_INDEX_CURL_MNDX, 0.5f}};
    XrForceFeedbackCurlApplyLocationsMNDX locations{XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX, nullptr, 2, odd};
    EXPECT_EQ(app.applyCurl(app.hands[1], &locations), XR_ERROR_VALIDATION_FAILURE) << "a location twice";
    odd[1].location = static_cast<XrForceFeedbackCurlLocationMNDX>(5);
    EXPECT_EQ(app.applyCurl(app.hands[1], &locations), XR_ERROR_VALIDATION_FAILURE) << "no such location";
    locations.locationCount = 6;
    EXPECT_EQ(app.applyCurl(app.hands[1], &locations), XR_ERROR_VALIDATION_FAILURE) << "more than five";
    locations = {XR_TYPE_HAND_JOINT_LOCATIONS_EXT, nullptr, 1, odd};
    EXPECT_EQ(app.applyCurl(app.hands[1], &locations), XR_ERROR_VALIDATION_FAILURE) << "another structure";
    locations = {XR_TYPE_FORCE_FEEDBACK_CURL_APPLY_LOCATIONS_MNDX, nullptr, 1, nullptr};
    EXPECT_EQ(app.applyCurl(app.hands[1], &locations), XR_ERROR_VALIDATION_FAILURE) << "no array";
    EXPECT_EQ(app.applyCurl(app.hands[1], nullptr), XR_ERROR_VALIDATION_FAILURE);
    EXPECT_EQ(app.applyCurl(reinterpret_cast<XrHandTrackerEXT>(&locations), &locations), XR_ERROR_HANDLE_INVALID);

    // Focus lost (the application asked to exit): both gloves released, nothing applied.
    ASSERT_EQ(xrRequestExitSession(app.session), XR_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_STOPPING));
    ASSERT_TRUE(sim.WaitForLine([](const std::string& l)
                                { return l.rfind("haptics device0 tessara ffb=0,0,0,0,0 ", 0) == 0; }));
    ASSERT_TRUE(
        sim.WaitForLine([](const std::string& l) { return l.rfind("haptics device1 kelvo ffb=0,0,0,0 ", 0) == 0; }));
    EXPECT_EQ(app.Curl(true, {1}), XR_SESSION_NOT_FOCUSED);

    // A destroyed tracker releases its glove, a destroyed session its trackers' gloves.
    ASSERT_EQ(xrEndSession(app.session), XR_SUCCESS);
    ASSERT_EQ(xrDestroySession(app.session), XR_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(app.NewSession());
    ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_FOCUSED));
    ASSERT_EQ(app.Curl(true, {0.2f}), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=20,0,0,0,0 "));
    ASSERT_EQ(app.destroy(app.hands[1]), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=0,0,0,0,0 "));
    ASSERT_EQ(app.Curl(false, {0.4f}), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device1 kelvo ffb=40,0,0,0 "));
    ASSERT_EQ(xrDestroySession(app.session), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device1 kelvo ffb=0,0,0,0 "));

    // The instance's end releases what its trackers applied; a glove gone takes nothing.
    ASSERT_NO_FATAL_FAILURE(app.NewSession());
    ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_FOCUSED));
    ASSERT_EQ(app.Curl(false, {0.6f}), XR_SUCCESS);
    ASSERT_TRUE(sim.WaitForPrefix("haptics device1 kelvo ffb=60,0,0,0 "));
    ASSERT_TRUE(sim.Control("disconnect 0"));
    EXPECT_EQ(app.Curl(true, {0.5f}), XR_ERROR_FEATURE_UNSUPPORTED);
    ASSERT_EQ(xrDestroyInstance(app.instance), XR_SUCCESS);
    app.instance = XR_NULL_HANDLE;
    ASSERT_TRUE(sim.WaitForPrefix("haptics device1 kelvo ffb=0,0,0,0 "));
}

// A whole session under Khronos' core validation layer, placed above the TSCore layer so that
// it checks the application's hand-tracking calls: begun, frames with both hands located and
// force applied, ended, destroyed.
TEST_F(HandTrackingLayer, WholeSessionPassesTheValidationLayer)
{
    const std::string validationDir = "/usr/share/openxr/1/api_layers/explicit.d";
    bool installed = false;
    for (const auto& file :
         std::filesystem::directory_iterator(validationDir, std::filesystem::directory_options::skip_permission_denied))
        installed = installed || file.path().filename().string().rfind("XrApiLayer_core_validation", 0) == 0;
    if (!installed)
        GTEST_SKIP() << "Khronos' validation layer is not installed (apt-get install openxr-layer-corevalidation)";
    const std::string report = std::string(TSCORE_XR_TEST_DIR) + "/validation.txt";
    std::filesystem::remove(report);
    setenv("XR_API_LAYER_PATH", (std::string(TSCORE_XR_LAYER_DIR) + ":" + validationDir).c_str(), 1);
    setenv("XR_ENABLE_API_LAYERS", (std::string("XR_APILAYER_LUNARG_core_validation:") + layerName).c_str(), 1);
    setenv("XR_CORE_VALIDATION_FILE_NAME", report.c_str(), 1);
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left", "--motion", "wave"}));
    {
        App app;
        // This validation layer predates the force-feedback extension and refuses its
        // property structure as unknown: the session asks for hand tracking's only.
        ASSERT_NO_FATAL_FAILURE(app.Open(false));
        ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_FOCUSED));
        for (int frame = 0; frame < 10; ++frame)
        {
            auto state = Make<XrFrameState>(XR_TYPE_FRAME_STATE);
            ASSERT_EQ(xrWaitFrame(app.session, nullptr, &state), XR_SUCCESS);
            ASSERT_EQ(xrBeginFrame(app.session, nullptr), XR_SUCCESS);
            XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
            XrHandJointLocationsEXT locations;
            for (bool right : {false, true})
            {
                ASSERT_EQ(app.Locate(right, locations, joints, XR_HAND_JOINT_COUNT_EXT, state.predictedDisplayTime),
                          XR_SUCCESS);
                EXPECT_EQ(locations.isActive, XR_TRUE);
                ASSERT_EQ(app.Curl(right, {0.1f * static_cast<float>(frame)}), XR_SUCCESS);
            }
            XrFrameEndInfo end{XR_TYPE_FRAME_END_INFO,           nullptr, state.predictedDisplayTime,
                               XR_ENVIRONMENT_BLEND_MODE_OPAQUE, 0,       nullptr};
            ASSERT_EQ(xrEndFrame(app.session, &end), XR_SUCCESS);
        }
        ASSERT_TRUE(sim.WaitForPrefix("haptics device0 tessara ffb=90,0,0,0,0 "));
        ASSERT_EQ(xrRequestExitSession(app.session), XR_SUCCESS);
        ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_STOPPING));
        ASSERT_EQ(xrEndSession(app.session), XR_SUCCESS);
        ASSERT_NO_FATAL_FAILURE(app.Await(XR_SESSION_STATE_EXITING));
        // One deliberate mistake, the only one it may report: it is there and watching.
        XrHandJointLocationEXT joints[XR_HAND_JOINT_COUNT_EXT];
        XrHandJointsLocateInfoEXT info{XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT, nullptr, app.local, 1};
        XrHandJointLocationsEXT wrongType{XR_TYPE_SPACE_LOCATION, nullptr, XR_FALSE, XR_HAND_JOINT_COUNT_EXT, joints};
        EXPECT_EQ(app.locate(app.hands[0], &info, &wrongType), XR_ERROR_VALIDATION_FAILURE);
        for (XrHandTrackerEXT hand : app.hands)
            ASSERT_EQ(app.destroy(hand), XR_SUCCESS);
        ASSERT_EQ(xrDestroySession(app.session), XR_SUCCESS);
    }
    setenv("XR_API_LAYER_PATH", TSCORE_XR_LAYER_DIR, 1);
    setenv("XR_ENABLE_API_LAYERS", layerName, 1);
    std::ifstream file(report);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::vector<std::string> expected = {
        "[VALID_ERROR | VUID-XrHandJointLocationsEXT-type-type | xrLocateHandJointsEXT]",
        "[VALID_ERROR | VUID-xrLocateHandJointsEXT-locations-parameter | xrLocateHandJointsEXT]"};
    std::vector<std::string> reported;
    for (std::size_t at = text.find("[VALID_"); at != std::string::npos; at = text.find("[VALID_", at + 1))
        reported.push_back(text.substr(at, text.find(']', at) + 1 - at));
    EXPECT_EQ(reported, expected) << text;
}

// The sample application as the README runs it: both hands tracked, the grip felt, and
// released when it exits.
TEST_F(HandTrackingLayer, ExampleTracksBothHandsAndReleasesItsGrip)
{
    ASSERT_TRUE(sim.Launch({"--tessara", "right", "--kelvo", "left"}));
    const TSCoreTest::RunResult run = TSCoreTest::Run(TSCORE_XR_EXAMPLE, {"1.2"});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(run.out.rfind("TSCore headless system: hand tracking yes, force feedback yes\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("left index tip ("), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("right index tip ("), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" m, grip "), std::string::npos) << run.out;
    std::string lastRight;
    bool gripped = false;
    for (const std::string& line : sim.Lines())
        if (line.rfind("haptics device0 tessara ffb=", 0) == 0)
        {
            lastRight = line;
            gripped = gripped || line.rfind("haptics device0 tessara ffb=0,0,0,0,0 ", 0) != 0;
        }
    EXPECT_TRUE(gripped);
    EXPECT_EQ(lastRight.rfind("haptics device0 tessara ffb=0,0,0,0,0 ", 0), 0u) << lastRight;
}
