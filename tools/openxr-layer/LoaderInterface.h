#pragma once

// The OpenXR loader's negotiation interface with API layers and runtimes. Newer OpenXR SDKs
// ship it as openxr_loader_negotiation.h; Debian's 1.0.20 headers do not, so the
// declarations of the loader's documented ABI are written out here when it is missing.

#include <openxr/openxr.h>

#if __has_include(<openxr/openxr_loader_negotiation.h>)
#  include <openxr/openxr_loader_negotiation.h>
#else

#  include <cstddef>
#  include <cstdint>

extern "C"
{

    typedef enum XrLoaderInterfaceStructs
    {
        XR_LOADER_INTERFACE_STRUCT_UNINTIALIZED = 0,
        XR_LOADER_INTERFACE_STRUCT_LOADER_INFO = 1,
        XR_LOADER_INTERFACE_STRUCT_API_LAYER_REQUEST = 2,
        XR_LOADER_INTERFACE_STRUCT_RUNTIME_REQUEST = 3,
        XR_LOADER_INTERFACE_STRUCT_API_LAYER_CREATE_INFO = 4,
        XR_LOADER_INTERFACE_STRUCT_API_LAYER_NEXT_INFO = 5,
        XR_LOADER_INTERFACE_STRUCTS_MAX_ENUM = 0x7FFFFFFF
    } XrLoaderInterfaceStructs;

#  define XR_LOADER_INFO_STRUCT_VERSION 1
#  define XR_API_LAYER_INFO_STRUCT_VERSION 1
#  define XR_RUNTIME_INFO_STRUCT_VERSION 1
#  define XR_API_LAYER_NEXT_INFO_STRUCT_VERSION 1
#  define XR_API_LAYER_CREATE_INFO_STRUCT_VERSION 1
#  define XR_API_LAYER_MAX_SETTINGS_PATH_SIZE 512
#  define XR_CURRENT_LOADER_API_LAYER_VERSION 1
#  define XR_CURRENT_LOADER_RUNTIME_VERSION 1

    typedef struct XrNegotiateLoaderInfo
    {
        XrLoaderInterfaceStructs structType;
        uint32_t structVersion;
        size_t structSize;
        uint32_t minInterfaceVersion;
        uint32_t maxInterfaceVersion;
        XrVersion minApiVersion;
        XrVersion maxApiVersion;
    } XrNegotiateLoaderInfo;

    typedef struct XrApiLayerCreateInfo XrApiLayerCreateInfo;
    typedef XrResult(XRAPI_PTR* PFN_xrCreateApiLayerInstance)(const XrInstanceCreateInfo* info,
                                                              const XrApiLayerCreateInfo* apiLayerInfo,
                                                              XrInstance* instance);

    typedef struct XrNegotiateApiLayerRequest
    {
        XrLoaderInterfaceStructs structType;
        uint32_t structVersion;
        size_t structSize;
        uint32_t layerInterfaceVersion;
        XrVersion layerApiVersion;
        PFN_xrGetInstanceProcAddr getInstanceProcAddr;
        PFN_xrCreateApiLayerInstance createApiLayerInstance;
    } XrNegotiateApiLayerRequest;

    typedef struct XrNegotiateRuntimeRequest
    {
        XrLoaderInterfaceStructs structType;
        uint32_t structVersion;
        size_t structSize;
        uint32_t runtimeInterfaceVersion;
        XrVersion runtimeApiVersion;
        PFN_xrGetInstanceProcAddr getInstanceProcAddr;
    } XrNegotiateRuntimeRequest;

    typedef struct XrApiLayerNextInfo
    {
        XrLoaderInterfaceStructs structType;
        uint32_t structVersion;
        size_t structSize;
        char layerName[XR_MAX_API_LAYER_NAME_SIZE];
        PFN_xrGetInstanceProcAddr nextGetInstanceProcAddr;
        PFN_xrCreateApiLayerInstance nextCreateApiLayerInstance;
        struct XrApiLayerNextInfo* next;
    } XrApiLayerNextInfo;

    struct XrApiLayerCreateInfo
    {
        XrLoaderInterfaceStructs structType;
        uint32_t structVersion;
        size_t structSize;
        void* loaderInstance;
        char settings_file_location[XR_API_LAYER_MAX_SETTINGS_PATH_SIZE];
        XrApiLayerNextInfo* nextInfo;
    };

} // extern "C"

#endif
