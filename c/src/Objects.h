#pragma once

// The C++ objects behind the C handles, and the typed lookups every entry point uses.

#include <memory>
#include <optional>
#include <string>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/TSDevice.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Hand/HandProfile.h>

#include "Call.h"
#include "HandleTable.h"

struct tscore_device
{
    /// Shared with the library's device cache.
    std::shared_ptr<TSCore::TSDevice> device;
    /// The same object when it is a glove, else nullptr.
    TSCore::HapticGlove* glove = nullptr;
    /// The uncalibrated profile of the glove's side, made on first use, for calls given none.
    std::optional<TSCore::HandProfile> defaultProfile;
};

struct tscore_profile
{
    TSCore::HandProfile profile;
};

struct tscore_pose
{
    TSCore::HandPose pose;
};

namespace tscore_c
{
    template <class T>
    struct KindOf;
    template <>
    struct KindOf<tscore_device>
    {
        static constexpr Kind kind = Kind::Device;
        static constexpr const char* maker = "tscore_device_open or tscore_glove_open";
    };
    template <>
    struct KindOf<tscore_profile>
    {
        static constexpr Kind kind = Kind::Profile;
        static constexpr const char* maker = "tscore_profile_create, _from_text or _load";
    };
    template <>
    struct KindOf<tscore_pose>
    {
        static constexpr Kind kind = Kind::Pose;
        static constexpr const char* maker = "tscore_pose_create, _from_text or _load";
    };

    /// The object behind a live handle; a Failure for NULL, a destroyed handle or another kind.
    template <class T>
    T& Object(T* handle, const char* name)
    {
        NotNull(handle, name);
        void* object = HandleTable::Find(handle, KindOf<T>::kind);
        if (object == nullptr)
            throw Failure{TSCORE_INVALID_HANDLE, std::string(name) + " is not a live handle: it was destroyed, or " +
                                                     "it was not made by " + KindOf<T>::maker};
        return *static_cast<T*>(object);
    }

    /// Gives a new object a handle and stores it in *out.
    template <class T>
    tscore_status Publish(std::unique_ptr<T> object, T** out)
    {
        void* handle = HandleTable::Add(KindOf<T>::kind, object.get(), [](void* p) { delete static_cast<T*>(p); });
        if (handle == nullptr)
            throw Failure{TSCORE_OUT_OF_MEMORY, "no more handles: destroy the ones no longer used"};
        object.release();
        *out = static_cast<T*>(handle);
        return Succeed();
    }

    /// Ends a handle; NULL is accepted and does nothing.
    template <class T>
    tscore_status Destroy(const char* function, T* handle) noexcept
    {
        ErrorState& errors = ThreadErrors();
        errors.function = function;
        if (handle == nullptr)
            return Cleared(errors, TSCORE_OK);
        if (!HandleTable::Remove(handle, KindOf<T>::kind))
            return Fail(TSCORE_INVALID_HANDLE,
                        "the handle is not live: it was destroyed already, or it "
                        "was not made by ",
                        KindOf<T>::maker);
        return Cleared(errors, TSCORE_OK);
    }

    /// The object as a glove when it is one of a glove family, else nullptr.
    TSCore::HapticGlove* AsGlove(TSCore::TSDevice& device);
    /// A new device handle on a shared device object.
    tscore_status OpenDevice(std::shared_ptr<TSCore::TSDevice> device, tscore_device** out);
    /// What a device object says of itself now; gloveIndex as the caller counts gloves.
    tscore_device_info InfoOf(TSCore::TSDevice& device, TSCore::HapticGlove* glove, int gloveIndex);

    /// The glove behind a device handle; TSCORE_NOT_A_GLOVE for another device.
    TSCore::HapticGlove& Glove(tscore_device* handle, const char* name = "glove");
    /// The profile given, or the device's default when profile is NULL.
    TSCore::HandProfile& ProfileOr(tscore_device& device, tscore_profile* profile);
}
