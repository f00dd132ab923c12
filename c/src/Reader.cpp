// The reader handle. Until the library's kept-mapping reader is available, it reads through
// the per-call path (each look maps the segments anew) behind the same functions and rules: a
// device list of its own refreshed by the checks, the service's state as of the latest check,
// and every reading judged by it. Unlike the kept-mapping reader, its list comes from the
// library's device cache, which keeps a device the service no longer announces.

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "Arrays.h"
#include "Objects.h"
#include "ServiceStamp.h"
#include "Text.h"

struct tscore_reader
{
    struct Entry
    {
        std::shared_ptr<TSCore::TSDevice> device;
        TSCore::HapticGlove* glove = nullptr;
        std::optional<TSCore::HandProfile> defaultProfile;
        std::string lastText;
        std::uint64_t sequence = 0;
    };
    std::vector<Entry> entries;
    std::uint64_t generation = 0;
    tscore_service_status service{};
    std::chrono::steady_clock::time_point lastCheck{};
    std::string text; // reused by every read
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

namespace
{
    constexpr std::chrono::milliseconds checkInterval{100};

    bool Check(tscore_reader& r)
    {
        r.lastCheck = std::chrono::steady_clock::now();
        r.service = ReadServiceStatus();
        const auto devices = TSCore::DeviceList::GetDevices();
        if (devices.size() <= r.entries.size())
            return false;
        for (std::size_t i = r.entries.size(); i < devices.size(); ++i)
            r.entries.push_back({devices[i], AsGlove(*devices[i]), std::nullopt, std::string(), 0});
        ++r.generation;
        return true;
    }

    tscore_reader::Entry& EntryAt(tscore_reader& r, size_t position)
    {
        if (position >= r.entries.size())
            throw Failure{TSCORE_NOT_FOUND, "there is no device at position " + std::to_string(position) + ": " +
                                                std::to_string(r.entries.size()) + " listed"};
        return r.entries[position];
    }

    tscore_reader::Entry& GloveAt(tscore_reader& r, size_t position)
    {
        tscore_reader::Entry& e = EntryAt(r, position);
        if (e.glove == nullptr)
            throw Failure{TSCORE_NOT_A_GLOVE, "the device at position " + std::to_string(position) + " is " +
                                                  e.device->ToString() + ", which is not a glove"};
        return e;
    }

    /// Reads the text and tells whether it is another than the last one read.
    bool ReadText(tscore_reader& r, tscore_reader::Entry& e)
    {
        if (!TSCore::DeviceList::GetSensorDataString(e.device->GetDeviceKey(), r.text) || r.text == e.lastText)
            return false;
        e.lastText.swap(r.text);
        ++e.sequence;
        return true;
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
        return Call(__func__,
                    [&]
                    {
                        NotNull(out, "out");
                        auto reader = std::make_unique<tscore_reader>();
                        Check(*reader);
                        return Publish(std::move(reader), out);
                    });
    }

    tscore_status tscore_reader_destroy(tscore_reader* reader) { return Destroy(__func__, reader); }

    tscore_status tscore_reader_update(tscore_reader* reader, int32_t* changed)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            const bool due = std::chrono::steady_clock::now() - r.lastCheck >= checkInterval;
                            const bool c = due && Check(r);
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
                            const bool c = Check(r);
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
                            *NotNull(generation, "generation") = r.generation;
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_service_status(tscore_reader* reader, tscore_service_status* out)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            *NotNull(out, "out") = r.service;
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_device_count(tscore_reader* reader, size_t* count)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            *NotNull(count, "count") = r.entries.size();
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_device_info(tscore_reader* reader, size_t position, tscore_device_info* out)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NotNull(out, "out");
                            tscore_reader::Entry& e = EntryAt(r, position);
                            int gloves = 0;
                            for (size_t i = 0; i < position; ++i)
                                gloves += r.entries[i].glove != nullptr ? 1 : 0;
                            *out = InfoOf(*e.device, e.glove, gloves);
                            return Succeed();
                        });
    }

    tscore_status tscore_reader_device(tscore_reader* reader, size_t position, tscore_device** out)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            NotNull(out, "out");
                            return OpenDevice(EntryAt(r, position).device, out);
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
                            for (size_t i = 0; i < r.entries.size(); ++i)
                            {
                                TSCore::HapticGlove* g = r.entries[i].glove;
                                if (g != nullptr &&
                                    (side == TSCORE_SIDE_ANY || g->IsRight() == (side == TSCORE_SIDE_RIGHT)) &&
                                    g->IsConnected())
                                {
                                    *position = i;
                                    return Succeed();
                                }
                            }
                            return Fail(TSCORE_NOT_FOUND, "no connected glove of that side is listed");
                        });
    }

    tscore_status tscore_reader_hand_pose(tscore_reader* reader, size_t position, tscore_profile* profile,
                                          tscore_pose* out, tscore_reading* reading)
    {
        return OnReader(__func__, reader,
                        [&](tscore_reader& r)
                        {
                            TSCore::HandPose& pose = Object(out, "out").pose;
                            tscore_reader::Entry& e = GloveAt(r, position);
                            TSCore::HandProfile* p = profile != nullptr ? &Object(profile, "profile").profile : nullptr;
                            if (p == nullptr)
                            {
                                if (!e.defaultProfile)
                                    e.defaultProfile = TSCore::HandProfile::Default(e.glove->IsRight());
                                p = &*e.defaultProfile;
                            }
                            const bool complete = e.glove->GetHandPose(*p, pose);
                            if (reading != nullptr)
                            {
                                tscore_reading state{};
                                state.is_new = ReadText(r, e) ? 1 : 0;
                                state.sequence = e.sequence;
                                state.connected = e.glove->IsConnected() ? 1 : 0;
                                state.service = r.service.state;
                                state.has_stamp = r.service.has_stamp;
                                state.stamp_age = r.service.stamp_age;
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
                            tscore_reader::Entry& e = GloveAt(r, position);
                            NotNull(out, "out");
                            NeedRoom(count, 4, "out");
                            TSCore::Kinematics::Quat q;
                            const bool read = e.glove->GetIMURotation(q);
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
                            tscore_reader::Entry& e = EntryAt(r, position);
                            ReadText(r, e);
                            const tscore_status status = OutText(e.lastText, buffer, size, needed);
                            return e.lastText.empty() ? Fail(TSCORE_NO_READING, "the service published no sensor text")
                                                      : status;
                        });
    }
}
