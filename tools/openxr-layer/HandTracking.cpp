#include "HandTracking.h"

#include <string>

#include <TSCore/Hand/OpenXRHand.h>

#include "Console.h"
#include "ForceFeedback.h"
#include "GloveHands.h"
#include "Registry.h"

namespace TSCoreXR
{
    using TSCore::OpenXRHand;

    namespace
    {
        OpenXRHand::Pose FromXR(const XrPosef& p)
        {
            return {TSCore::Kinematics::Quat(p.orientation.x, p.orientation.y, p.orientation.z, p.orientation.w),
                    TSCore::Kinematics::Vect3D(p.position.x, p.position.y, p.position.z)};
        }

        XrPosef ToXR(const OpenXRHand::Pose& p)
        {
            return {{p.orientation.x, p.orientation.y, p.orientation.z, p.orientation.w},
                    {p.position.x, p.position.y, p.position.z}};
        }

        // The velocities an application chained to the locations; nullptr when none.
        // Reports a malformed one through result.
        XrHandJointVelocitiesEXT* ChainedVelocities(const XrHandJointLocationsEXT* locations, XrResult& result)
        {
            result = XR_SUCCESS;
            for (auto* next = static_cast<XrBaseOutStructure*>(locations->next); next; next = next->next)
                if (next->type == XR_TYPE_HAND_JOINT_VELOCITIES_EXT)
                {
                    auto* velocities = reinterpret_cast<XrHandJointVelocitiesEXT*>(next);
                    if (velocities->jointCount != XR_HAND_JOINT_COUNT_EXT || !velocities->jointVelocities)
                        result = XR_ERROR_VALIDATION_FAILURE;
                    return velocities;
                }
            return nullptr;
        }

        XrResult CheckLocateArguments(const XrHandJointsLocateInfoEXT* info, const XrHandJointLocationsEXT* locations)
        {
            if (!info || !locations || info->type != XR_TYPE_HAND_JOINTS_LOCATE_INFO_EXT ||
                locations->type != XR_TYPE_HAND_JOINT_LOCATIONS_EXT ||
                locations->jointCount != XR_HAND_JOINT_COUNT_EXT || !locations->jointLocations)
                return XR_ERROR_VALIDATION_FAILURE;
            return info->baseSpace == XR_NULL_HANDLE ? XR_ERROR_HANDLE_INVALID : XR_SUCCESS;
        }

        // The configured space in the base space, when the runtime knows where it is.
        XrResult LocateReference(const InstanceEntry& instance, const TrackerEntry& tracker,
                                 const XrHandJointsLocateInfoEXT& info, XrSpaceLocation& where)
        {
            where = {XR_TYPE_SPACE_LOCATION, nullptr, 0, {{0, 0, 0, 1}, {0, 0, 0}}};
            if (!instance.locateSpace)
                return XR_SUCCESS;
            return instance.locateSpace(tracker.space, info.baseSpace, info.time, &where);
        }

        void Write(const OpenXRHand::Locations& hand, XrSpaceLocationFlags trackedBits, XrHandJointLocationsEXT& out,
                   XrHandJointVelocitiesEXT* velocities)
        {
            const XrSpaceLocationFlags keep = OpenXRHand::orientationValid | OpenXRHand::positionValid | trackedBits;
            out.isActive = hand.isActive ? XR_TRUE : XR_FALSE;
            for (std::size_t j = 0; j < XR_HAND_JOINT_COUNT_EXT; ++j)
            {
                const OpenXRHand::JointLocation& joint = hand.jointLocations[j];
                out.jointLocations[j] = {joint.locationFlags & keep, ToXR(joint.pose), joint.radius};
                if (velocities)
                    velocities->jointVelocities[j] = {0, {0, 0, 0}, {0, 0, 0}}; // gloves give no velocities
            }
        }
    }

    XrResult CreateHandTracker(XrSession session, const XrHandTrackerCreateInfoEXT* createInfo,
                               XrHandTrackerEXT* handTracker)
    {
        return Guarded(
            [&]() -> XrResult
            {
                if (!createInfo || !handTracker || createInfo->type != XR_TYPE_HAND_TRACKER_CREATE_INFO_EXT ||
                    (createInfo->hand != XR_HAND_LEFT_EXT && createInfo->hand != XR_HAND_RIGHT_EXT) ||
                    createInfo->handJointSet != XR_HAND_JOINT_SET_DEFAULT_EXT)
                    return XR_ERROR_VALIDATION_FAILURE;
                const auto instance = Registry::SessionInstance(session);
                const auto entry = instance ? Registry::FindInstance(*instance) : std::nullopt;
                if (!entry || !entry->createReferenceSpace)
                    return XR_ERROR_HANDLE_INVALID;
                XrReferenceSpaceCreateInfo spaceInfo{
                    XR_TYPE_REFERENCE_SPACE_CREATE_INFO, nullptr, entry->config->space, {{0, 0, 0, 1}, {0, 0, 0}}};
                XrSpace space = XR_NULL_HANDLE;
                XrResult result = entry->createReferenceSpace(session, &spaceInfo, &space);
                if (XR_FAILED(result) && spaceInfo.referenceSpaceType != XR_REFERENCE_SPACE_TYPE_LOCAL)
                {
                    ToolCommon::Warn("the runtime has no such reference space (error " +
                                     std::to_string(static_cast<int>(result)) +
                                     "); the wrist offsets are taken in the local space");
                    spaceInfo.referenceSpaceType = XR_REFERENCE_SPACE_TYPE_LOCAL;
                    result = entry->createReferenceSpace(session, &spaceInfo, &space);
                }
                if (XR_FAILED(result))
                    return result;
                *handTracker = Registry::AddTracker({*instance, session, createInfo->hand == XR_HAND_RIGHT_EXT, space});
                return XR_SUCCESS;
            });
    }

    XrResult DestroyHandTracker(XrHandTrackerEXT handTracker)
    {
        return Guarded(
            [&]() -> XrResult
            {
                std::optional<TrackerEntry> tracker;
                ReleaseAfter(
                    [&]
                    {
                        tracker = Registry::RemoveTracker(handTracker);
                        return tracker ? std::vector<TrackerEntry>{*tracker} : std::vector<TrackerEntry>{};
                    });
                if (!tracker)
                    return XR_ERROR_HANDLE_INVALID;
                const auto entry = Registry::FindInstance(tracker->instance);
                if (entry && entry->destroySpace)
                    entry->destroySpace(tracker->space);
                return XR_SUCCESS;
            });
    }

    XrResult LocateHandJoints(XrHandTrackerEXT handTracker, const XrHandJointsLocateInfoEXT* locateInfo,
                              XrHandJointLocationsEXT* locations)
    {
        return Guarded(
            [&]() -> XrResult
            {
                XrResult result = CheckLocateArguments(locateInfo, locations);
                XrHandJointVelocitiesEXT* velocities =
                    result == XR_SUCCESS ? ChainedVelocities(locations, result) : nullptr;
                if (XR_FAILED(result))
                    return result;
                const auto tracker = Registry::FindTracker(handTracker);
                const auto entry = tracker ? Registry::FindInstance(tracker->instance) : std::nullopt;
                if (!entry)
                    return XR_ERROR_HANDLE_INVALID;
                XrSpaceLocation where;
                result = LocateReference(*entry, *tracker, *locateInfo, where);
                if (XR_FAILED(result))
                    return result;
                constexpr XrSpaceLocationFlags bothValid =
                    XR_SPACE_LOCATION_ORIENTATION_VALID_BIT | XR_SPACE_LOCATION_POSITION_VALID_BIT;
                OpenXRHand::Locations hand;
                if ((where.locationFlags & bothValid) == bothValid)
                    ReadHand(tracker->right, *entry->config, FromXR(where.pose), hand);
                Write(hand, where.locationFlags, *locations, velocities);
                return XR_SUCCESS;
            });
    }

    void ReportHandTrackingSupport(XrSystemProperties* properties)
    {
        for (auto* next = static_cast<XrBaseOutStructure*>(properties->next); next; next = next->next)
            if (next->type == XR_TYPE_SYSTEM_HAND_TRACKING_PROPERTIES_EXT)
                reinterpret_cast<XrSystemHandTrackingPropertiesEXT*>(next)->supportsHandTracking = XR_TRUE;
    }
}
