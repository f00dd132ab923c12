// The reader handle over the library's kept-mapping reader: positions, checks and the device
// list are its own; this file judges each reading and copies it across the C boundary.

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/ServiceReader.h>

#include "Arrays.h"
#include "Objects.h"
#include "ServiceStamp.h"
#include "Text.h"

struct tscore_reader
{
    TSCore::ServiceReader reader;
    /// Per position, the uncalibrated profile of the glove's side, made on first use and
    /// dropped when the device list changes.
    std::vector<std::optional<TSCore::HandProfile>> defaults;
    std::uint64_t defaultsGeneration = 0;
};

namespace tscore_c
{
    template <>
    struct KindOf<tscore_reader>
    {
        static constexpr Kind kind = Kind::Reader;
        static constexpr const char* maker = "tscore_reader_create";
    };
}

using namespace tscore_c;
using TSCore::ServiceReader;

namespace
{
    void NeedPosition(const ServiceReader& r, size_t position)
    {
        if (position >= r.DeviceCount())
            throw Failure{TSCORE_NOT_FOUND, "there is no device at position " + std::to_string(position) + ": " +
                                                std::to_string(r.DeviceCount()) + " listed"};
    }

    void NeedGlove(const ServiceReader& r, size_t position)
    {
        NeedPosition(r, position);
        if (!r.Info(position).isGlove)
            throw Failure{TSCORE_NOT_A_GLOVE, "the device at position " + std::to_string(position) + " (" +
                                                  r.Info(position).deviceID + ") is not a glove"};
    }

    const TSCore::HandProfile& DefaultProfile(tscore_reader& r, size_t position)
    {
        if (r.defaultsGeneration != r.reader.Generation())
        {
            r.defaults.clear();
            r.defaultsGeneration = r.reader.Generation();
        }
        if (r.defaults.size() <= position)
            r.defaults.resize(position + 1);
        if (!r.defaults[position])
            r.defaults[position] = TSCore::HandProfile::Default(r.reader.Info(position).isRight);
        return *r.defaults[position];
    }

    bool Finite(const TSCore::Kinematics::Vect3D& v)
    {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    }

    bool Finite(const TSCore::Kinematics::Quat& q)
    {
        return std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w);
    }

    template <class T>
    bool AllFinite(const std::vector<std::vector<T>>& lists)
    {
        for (const auto& list : lists)
            for (const T& v : list)
                if (!Finite(v))
                    return false;
        return true;
    }

    /// The one word for a reading, in the order a reader must know it.
    int32_t StateOf(const tscore_reading& r, bool complete, const TSCore::HandPose& pose)
    {
        if (r.service == TSCORE_SERVICE_STALE)
            return TSCORE_GLOVE_STALE;
        if (r.service == TSCORE_SERVICE_STOPPED)
            return TSCORE_GLOVE_STOPPED;
        if (!r.connected)
            return TSCORE_GLOVE_DISCONNECTED;
        if (!complete)
            return TSCORE_GLOVE_INCOMPLETE;
        const bool valid = pose.handAngles.size() >= 5 && AllFinite(pose.handAngles) &&
                           AllFinite(pose.jointPositions) && AllFinite(pose.jointRotations);
        return valid ? TSCORE_GLOVE_LIVE : TSCORE_GLOVE_INVALID;
    }

    template <class Body>
    tscore_status OnReader(const char* function, tscore_reader* reader, Body body) noexcept
    {
        return Call(function, [&] { return body(Object(reader, "reader")); });
    }
}

extern "C"
{
    tscore_status tscore_reader_create(tscore_reader** out)
    {
        return Call(__func__, [&] { return Publish(std::make_unique<tscore_reader>(), NotNull(out, "out")); });
    }

    tscore_status tscore_reader_destroy(tscore_reader* reader) { return Destroy(__func__, reader); }

    tscore_status tscore_reader_update(tscore_reader* reader, int32_t* changed)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            const bool c = r.reader.Update();
                            if (changed != nullptr)
                                *changed = c ? 1 : 0;
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_refresh(tscore_reader* reader, int32_t* changed)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            const bool c = r.reader.Refresh();
                            if (changed != nullptr)
                                *changed = c ? 1 : 0;
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_generation(tscore_reader* reader, uint64_t* generation)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            *NotNull(generation, "generation") = r.reader.Generation();
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_service_status(tscore_reader* reader, tscore_service_status* out)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            *NotNull(out, "out") = ServiceStatusOf(r.reader.StampAge());
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_device_count(tscore_reader* reader, size_t* count)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            *NotNull(count, "count") = r.reader.DeviceCount();
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_device_info(tscore_reader* reader, size_t position, tscore_device_info* out)
    {
        return OnReader(
            __func__, reader,
            [&](tscore_reader& r)
            {
                NotNull(out, "out");
                NeedPosition(r.reader, position);
                const ServiceReader::DeviceInfo& d = r.reader.Info(position);
                tscore_device_info info{};
                info.index = d.deviceIndex;
                info.type = static_cast<int32_t>(d.type);
                info.side = !d.isGlove ? TSCORE_SIDE_NONE : d.isRight ? TSCORE_SIDE_RIGHT : TSCORE_SIDE_LEFT;
                info.connected = d.connected ? 1 : 0;
                info.firmware = d.firmwareVersion;
                info.sub_firmware = d.subFirmwareVersion;
                info.glove_index = -1;
                if (d.isGlove)
                    for (size_t i = 0; i <= position; ++i)
                        info.glove_index += r.reader.Info(i).isGlove ? 1 : 0;
                info.packets_per_second = d.packetsPerSecond;
                *out = info;
                return Succeed();
            });
    }

    tscore_status tscore_reader_device(tscore_reader* reader, size_t position, tscore_device** out)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NotNull(out, "out");
                            NeedPosition(r.reader, position);
                            return OpenDevice(r.reader.Device(position), out);
                        });
    }

    tscore_status tscore_reader_find_glove(tscore_reader* reader, int32_t side, size_t* position)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NotNull(position, "position");
                            if (side != TSCORE_SIDE_ANY && side != TSCORE_SIDE_LEFT && side != TSCORE_SIDE_RIGHT)
                                throw Failure{TSCORE_INVALID_ARGUMENT,
                                              "side is TSCORE_SIDE_ANY, _LEFT or _RIGHT, not " + std::to_string(side)};
                            const size_t right =
                                side != TSCORE_SIDE_LEFT ? r.reader.FindGlove(true) : ServiceReader::npos;
                            const size_t left =
                                side != TSCORE_SIDE_RIGHT ? r.reader.FindGlove(false) : ServiceReader::npos;
                            const size_t found = right < left ? right : left; // npos is the largest
                            if (found == ServiceReader::npos)
                                return Fail(TSCORE_NOT_FOUND, "no connected glove of that side is listed");
                            *position = found;
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_hand_pose(tscore_reader* reader, size_t position, tscore_profile* profile,
                                          tscore_pose* out, tscore_reading* reading)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            TSCore::HandPose& pose = Object(out, "out").pose;
                            NeedGlove(r.reader, position);
                            const TSCore::HandProfile& p =
                                profile != nullptr ? Object(profile, "profile").profile : DefaultProfile(r, position);
                            const bool complete = r.reader.GetHandPose(position, p, pose);
                            if (reading != nullptr)
                            {
                                const ServiceReader::Reading read = r.reader.LastReading(position);
                                const tscore_service_status service = ServiceStatusOf(r.reader.StampAge());
                                tscore_reading state{};
                                state.is_new = read.IsNew() ? 1 : 0;
                                state.sequence = read.sequence;
                                state.connected = r.reader.Info(position).connected ? 1 : 0;
                                state.service = service.state;
                                state.has_stamp = service.has_stamp;
                                state.stamp_age = service.stamp_age;
                                state.state = StateOf(state, complete, pose);
                                *reading = state;
                            }
                            return complete ? Succeed()
                                            : Fail(TSCORE_NO_READING, "no complete reading: the idle pose was written");
                        });
    }

    tscore_status tscore_reader_imu_rotation(tscore_reader* reader, size_t position, float* out, size_t count)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NeedGlove(r.reader, position);
                            NotNull(out, "out");
                            NeedRoom(count, 4, "out");
                            TSCore::Kinematics::Quat q;
                            const bool read = r.reader.GetIMURotation(position, q);
                            Put(out, q);
                            return read ? Succeed() : Fail(TSCORE_NO_READING, "no reading: the identity was written");
                        });
    }

    tscore_status tscore_reader_sensor_text(tscore_reader* reader, size_t position, char* buffer, size_t size,
                                            size_t* needed)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NeedPosition(r.reader, position);
                            r.reader.Read(position);
                            const std::string text(r.reader.Text(position));
                            const tscore_status status = OutText(text, buffer, size, needed);
                            return text.empty() ? Fail(TSCORE_NO_READING, "the service published no sensor text")
                                                : status;
                        });
    }
}
