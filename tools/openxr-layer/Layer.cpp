// XR_APILAYER_TSCORE_hand_tracking: an explicit OpenXR API layer that gives applications
// XR_EXT_hand_tracking and XR_MNDX_force_feedback_curl from the gloves. It advertises the
// extensions (in its manifest), removes them from the instance's extensions when the runtime
// lacks them, answers the hand-tracker and force-feedback functions itself, follows each
// session's state through the events it passes up, and passes everything else down the chain
// untouched.

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Console.h"
#include "ForceFeedback.h"
#include "HandTracking.h"
#include "LayerConfig.h"
#include "LoaderInterface.h"
#include "Registry.h"

namespace TSCoreXR
{
    namespace
    {
        constexpr const char* layerName = "XR_APILAYER_TSCORE_hand_tracking";
        // The extensions the layer answers itself.
        const char* const ownExtensions[] = {XR_EXT_HAND_TRACKING_EXTENSION_NAME,
                                             XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME};

        bool Own(const char* extension)
        {
            for (const char* own : ownExtensions)
                if (extension && std::strcmp(extension, own) == 0)
                    return true;
            return false;
        }

        bool Enables(const XrInstanceCreateInfo& info, const char* extension)
        {
            for (std::uint32_t i = 0; i < info.enabledExtensionCount; ++i)
                if (info.enabledExtensionNames && info.enabledExtensionNames[i] &&
                    std::strcmp(info.enabledExtensionNames[i], extension) == 0)
                    return true;
            return false;
        }

        template <typename Function>
        void Resolve(PFN_xrGetInstanceProcAddr next, XrInstance instance, const char* name, Function& out)
        {
            PFN_xrVoidFunction function = nullptr;
            out = XR_SUCCEEDED(next(instance, name, &function)) ? reinterpret_cast<Function>(function) : nullptr;
        }

        InstanceEntry MakeEntry(PFN_xrGetInstanceProcAddr next, XrInstance instance, const XrInstanceCreateInfo& info)
        {
            InstanceEntry entry;
            entry.getInstanceProcAddr = next;
            Resolve(next, instance, "xrDestroyInstance", entry.destroyInstance);
            Resolve(next, instance, "xrGetSystemProperties", entry.getSystemProperties);
            Resolve(next, instance, "xrCreateSession", entry.createSession);
            Resolve(next, instance, "xrDestroySession", entry.destroySession);
            Resolve(next, instance, "xrCreateReferenceSpace", entry.createReferenceSpace);
            Resolve(next, instance, "xrLocateSpace", entry.locateSpace);
            Resolve(next, instance, "xrDestroySpace", entry.destroySpace);
            Resolve(next, instance, "xrPollEvent", entry.pollEvent);
            entry.handTracking = Enables(info, XR_EXT_HAND_TRACKING_EXTENSION_NAME);
            entry.forceFeedback = entry.handTracking && Enables(info, XR_MNDX_FORCE_FEEDBACK_CURL_EXTENSION_NAME);
            entry.config =
                std::make_shared<LayerConfig>(LayerConfig::Load([](const char* name) { return std::getenv(name); }));
            return entry;
        }

        // Creates the instance further down; without the layer's extensions when the runtime
        // lacks them.
        XrResult CreateDown(const XrInstanceCreateInfo& info, const XrApiLayerCreateInfo& layerInfo,
                            XrInstance* instance)
        {
            const XrApiLayerNextInfo& next = *layerInfo.nextInfo;
            XrApiLayerCreateInfo down = layerInfo;
            down.nextInfo = next.next;
            XrResult result = next.nextCreateApiLayerInstance(&info, &down, instance);
            std::vector<const char*> names;
            for (std::uint32_t i = 0; i < info.enabledExtensionCount && info.enabledExtensionNames; ++i)
                if (!Own(info.enabledExtensionNames[i]))
                    names.push_back(info.enabledExtensionNames[i]);
            if (result != XR_ERROR_EXTENSION_NOT_PRESENT || names.size() == info.enabledExtensionCount)
                return result;
            XrInstanceCreateInfo stripped = info;
            stripped.enabledExtensionCount = static_cast<std::uint32_t>(names.size());
            stripped.enabledExtensionNames = names.data();
            return next.nextCreateApiLayerInstance(&stripped, &down, instance);
        }

        XRAPI_ATTR XrResult XRAPI_CALL CreateApiLayerInstance(const XrInstanceCreateInfo* info,
                                                              const XrApiLayerCreateInfo* layerInfo,
                                                              XrInstance* instance)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    if (!info || !instance || !layerInfo || !layerInfo->nextInfo ||
                        layerInfo->structType != XR_LOADER_INTERFACE_STRUCT_API_LAYER_CREATE_INFO ||
                        layerInfo->nextInfo->structType != XR_LOADER_INTERFACE_STRUCT_API_LAYER_NEXT_INFO ||
                        std::strncmp(layerInfo->nextInfo->layerName, layerName, XR_MAX_API_LAYER_NAME_SIZE) != 0 ||
                        !layerInfo->nextInfo->nextCreateApiLayerInstance ||
                        !layerInfo->nextInfo->nextGetInstanceProcAddr)
                        return XR_ERROR_INITIALIZATION_FAILED;
                    const XrResult result = CreateDown(*info, *layerInfo, instance);
                    if (XR_FAILED(result))
                        return result;
                    const PFN_xrGetInstanceProcAddr next = layerInfo->nextInfo->nextGetInstanceProcAddr;
                    try
                    {
                        Registry::AddInstance(*instance, MakeEntry(next, *instance, *info));
                    }
                    catch (...)
                    {
                        PFN_xrDestroyInstance destroy = nullptr;
                        Resolve(next, *instance, "xrDestroyInstance", destroy);
                        if (destroy)
                            destroy(*instance);
                        throw;
                    }
                    return XR_SUCCESS;
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL DestroyInstance(XrInstance instance)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    const auto entry = Registry::FindInstance(instance);
                    if (!entry || !entry->destroyInstance)
                        return XR_ERROR_HANDLE_INVALID;
                    ReleaseAfter([&] { return Registry::RemoveInstance(instance); });
                    return entry->destroyInstance(instance);
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL GetSystemProperties(XrInstance instance, XrSystemId systemId,
                                                           XrSystemProperties* properties)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    const auto entry = Registry::FindInstance(instance);
                    if (!entry || !entry->getSystemProperties)
                        return XR_ERROR_HANDLE_INVALID;
                    const XrResult result = entry->getSystemProperties(instance, systemId, properties);
                    if (XR_SUCCEEDED(result) && entry->handTracking)
                        ReportHandTrackingSupport(properties);
                    if (XR_SUCCEEDED(result) && entry->forceFeedback)
                        ReportForceFeedbackSupport(properties);
                    return result;
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL CreateSession(XrInstance instance, const XrSessionCreateInfo* info,
                                                     XrSession* session)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    const auto entry = Registry::FindInstance(instance);
                    if (!entry || !entry->createSession)
                        return XR_ERROR_HANDLE_INVALID;
                    const XrResult result = entry->createSession(instance, info, session);
                    if (XR_SUCCEEDED(result))
                        Registry::AddSession(*session, instance);
                    return result;
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL DestroySession(XrSession session)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    const auto instance = Registry::SessionInstance(session);
                    const auto entry = instance ? Registry::FindInstance(*instance) : std::nullopt;
                    if (!entry || !entry->destroySession)
                        return XR_ERROR_HANDLE_INVALID;
                    // The trackers' spaces end with the session, as the trackers do.
                    ReleaseAfter([&] { return Registry::RemoveSession(session); });
                    return entry->destroySession(session);
                });
        }

        // Passes the runtime's events up, noting each session's state: force feedback is
        // applied only while focused and released as soon as focus goes.
        XRAPI_ATTR XrResult XRAPI_CALL PollEvent(XrInstance instance, XrEventDataBuffer* event)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    const auto entry = Registry::FindInstance(instance);
                    if (!entry || !entry->pollEvent)
                        return XR_ERROR_HANDLE_INVALID;
                    const XrResult result = entry->pollEvent(instance, event);
                    if (result == XR_SUCCESS && event && event->type == XR_TYPE_EVENT_DATA_SESSION_STATE_CHANGED)
                    {
                        const auto* changed = reinterpret_cast<const XrEventDataSessionStateChanged*>(event);
                        ReleaseAfter([&] { return Registry::SetSessionState(changed->session, changed->state); });
                    }
                    return result;
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL GetInstanceProcAddr(XrInstance instance, const char* name,
                                                           PFN_xrVoidFunction* function);

        // Which extension an instance must have enabled to be handed a function.
        enum class Needs
        {
            Nothing,
            HandTracking,
            ForceFeedback
        };

        struct Intercepted
        {
            const char* name;
            PFN_xrVoidFunction function;
            Needs needs;
        };

        const Intercepted intercepted[] = {
            {"xrGetInstanceProcAddr", reinterpret_cast<PFN_xrVoidFunction>(&GetInstanceProcAddr), Needs::Nothing},
            {"xrDestroyInstance", reinterpret_cast<PFN_xrVoidFunction>(&DestroyInstance), Needs::Nothing},
            {"xrGetSystemProperties", reinterpret_cast<PFN_xrVoidFunction>(&GetSystemProperties), Needs::Nothing},
            {"xrCreateSession", reinterpret_cast<PFN_xrVoidFunction>(&CreateSession), Needs::Nothing},
            {"xrDestroySession", reinterpret_cast<PFN_xrVoidFunction>(&DestroySession), Needs::Nothing},
            {"xrPollEvent", reinterpret_cast<PFN_xrVoidFunction>(&PollEvent), Needs::Nothing},
            {"xrCreateHandTrackerEXT", reinterpret_cast<PFN_xrVoidFunction>(&CreateHandTracker), Needs::HandTracking},
            {"xrDestroyHandTrackerEXT", reinterpret_cast<PFN_xrVoidFunction>(&DestroyHandTracker), Needs::HandTracking},
            {"xrLocateHandJointsEXT", reinterpret_cast<PFN_xrVoidFunction>(&LocateHandJoints), Needs::HandTracking},
            {"xrApplyForceFeedbackCurlMNDX", reinterpret_cast<PFN_xrVoidFunction>(&ApplyForceFeedbackCurl),
             Needs::ForceFeedback},
        };

        bool Enabled(const InstanceEntry& entry, Needs needs)
        {
            return needs == Needs::Nothing || (needs == Needs::HandTracking && entry.handTracking) ||
                   (needs == Needs::ForceFeedback && entry.forceFeedback);
        }

        XrResult GetInstanceProcAddr(XrInstance instance, const char* name, PFN_xrVoidFunction* function)
        {
            return Guarded(
                [&]() -> XrResult
                {
                    if (!name || !function)
                        return XR_ERROR_VALIDATION_FAILURE;
                    *function = nullptr;
                    const auto entry = Registry::FindInstance(instance);
                    if (!entry)
                        return XR_ERROR_HANDLE_INVALID;
                    for (const Intercepted& own : intercepted)
                        if (std::strcmp(name, own.name) == 0)
                        {
                            if (!Enabled(*entry, own.needs))
                                return XR_ERROR_FUNCTION_UNSUPPORTED;
                            *function = own.function;
                            return XR_SUCCESS;
                        }
                    return entry->getInstanceProcAddr(instance, name, function);
                });
        }

        bool Valid(const XrNegotiateLoaderInfo* info)
        {
            return info && info->structType == XR_LOADER_INTERFACE_STRUCT_LOADER_INFO &&
                   info->structVersion == XR_LOADER_INFO_STRUCT_VERSION && info->structSize == sizeof(*info) &&
                   info->minInterfaceVersion <= XR_CURRENT_LOADER_API_LAYER_VERSION &&
                   info->maxInterfaceVersion >= XR_CURRENT_LOADER_API_LAYER_VERSION &&
                   info->minApiVersion <= XR_CURRENT_API_VERSION && info->maxApiVersion >= XR_MAKE_VERSION(1, 0, 0);
        }
    }
}

extern "C" __attribute__((visibility("default"))) XRAPI_ATTR XrResult XRAPI_CALL xrNegotiateLoaderApiLayerInterface(
    const XrNegotiateLoaderInfo* loaderInfo, const char* apiLayerName, XrNegotiateApiLayerRequest* request)
{
    using namespace TSCoreXR;
    // Inside the application the program's name would mislead: lines name the layer.
    ToolCommon::SetConsoleName(layerName);
    if (!Valid(loaderInfo) || !request || request->structType != XR_LOADER_INTERFACE_STRUCT_API_LAYER_REQUEST ||
        request->structVersion != XR_API_LAYER_INFO_STRUCT_VERSION || request->structSize != sizeof(*request) ||
        (apiLayerName && std::strcmp(apiLayerName, layerName) != 0))
        return XR_ERROR_INITIALIZATION_FAILED;
    request->layerInterfaceVersion = XR_CURRENT_LOADER_API_LAYER_VERSION;
    request->layerApiVersion = XR_CURRENT_API_VERSION;
    request->getInstanceProcAddr = &GetInstanceProcAddr;
    request->createApiLayerInstance = &CreateApiLayerInstance;
    return XR_SUCCESS;
}
