// XR_APILAYER_TSCORE_hand_tracking: an explicit OpenXR API layer that gives applications
// XR_EXT_hand_tracking from the gloves. It advertises the extension (in its manifest), removes
// it from the instance's extensions when the runtime lacks it, answers the hand-tracker
// functions itself, and passes everything else down the chain untouched.

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "HandTracking.h"
#include "LayerConfig.h"
#include "LoaderInterface.h"
#include "Registry.h"

namespace TSCoreXR
{
    namespace
    {
        constexpr const char* layerName = "XR_APILAYER_TSCORE_hand_tracking";

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

        InstanceEntry MakeEntry(PFN_xrGetInstanceProcAddr next, XrInstance instance, bool handTracking)
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
            entry.handTracking = handTracking;
            entry.config =
                std::make_shared<LayerConfig>(LayerConfig::Load([](const char* name) { return std::getenv(name); }));
            return entry;
        }

        // Creates the instance further down; without the extension when the runtime lacks it.
        XrResult CreateDown(const XrInstanceCreateInfo& info, const XrApiLayerCreateInfo& layerInfo,
                            XrInstance* instance)
        {
            const XrApiLayerNextInfo& next = *layerInfo.nextInfo;
            XrApiLayerCreateInfo down = layerInfo;
            down.nextInfo = next.next;
            XrResult result = next.nextCreateApiLayerInstance(&info, &down, instance);
            if (result != XR_ERROR_EXTENSION_NOT_PRESENT || !Enables(info, XR_EXT_HAND_TRACKING_EXTENSION_NAME))
                return result;
            std::vector<const char*> names;
            for (std::uint32_t i = 0; i < info.enabledExtensionCount; ++i)
                if (std::strcmp(info.enabledExtensionNames[i], XR_EXT_HAND_TRACKING_EXTENSION_NAME) != 0)
                    names.push_back(info.enabledExtensionNames[i]);
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
                        Registry::AddInstance(
                            *instance, MakeEntry(next, *instance, Enables(*info, XR_EXT_HAND_TRACKING_EXTENSION_NAME)));
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
                    Registry::RemoveInstance(instance);
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
                    Registry::RemoveSession(session);
                    return entry->destroySession(session);
                });
        }

        XRAPI_ATTR XrResult XRAPI_CALL GetInstanceProcAddr(XrInstance instance, const char* name,
                                                           PFN_xrVoidFunction* function);

        struct Intercepted
        {
            const char* name;
            PFN_xrVoidFunction function;
            bool handTracking; // handed out only to instances that enabled the extension
        };

        const Intercepted intercepted[] = {
            {"xrGetInstanceProcAddr", reinterpret_cast<PFN_xrVoidFunction>(&GetInstanceProcAddr), false},
            {"xrDestroyInstance", reinterpret_cast<PFN_xrVoidFunction>(&DestroyInstance), false},
            {"xrGetSystemProperties", reinterpret_cast<PFN_xrVoidFunction>(&GetSystemProperties), false},
            {"xrCreateSession", reinterpret_cast<PFN_xrVoidFunction>(&CreateSession), false},
            {"xrDestroySession", reinterpret_cast<PFN_xrVoidFunction>(&DestroySession), false},
            {"xrCreateHandTrackerEXT", reinterpret_cast<PFN_xrVoidFunction>(&CreateHandTracker), true},
            {"xrDestroyHandTrackerEXT", reinterpret_cast<PFN_xrVoidFunction>(&DestroyHandTracker), true},
            {"xrLocateHandJointsEXT", reinterpret_cast<PFN_xrVoidFunction>(&LocateHandJoints), true},
        };

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
                            if (own.handTracking && !entry->handTracking)
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
