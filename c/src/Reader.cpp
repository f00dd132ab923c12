// The reader handle. Until the library's kept-mapping reader is available, it reads through
// the per-call path (each look maps the segments anew) and judges every reading by the same
// rules; its gloves are those of the device list, which keeps a glove the service no longer
// announces.

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "Arrays.h"
#include "Objects.h"
#include "ServiceStamp.h"

struct tscore_reader
{
    struct Glove
    {
        std::shared_ptr<TSCore::HapticGlove> glove;
        std::optional<TSCore::HandProfile> defaultProfile;
        std::string lastText;
        std::uint64_t sequence = 0;
    };
    std::vector<Glove> gloves;
    std::string text; // reused for every read
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
    tscore_reader::Glove& GloveAt(tscore_reader& reader, size_t index)
    {
        if (index >= reader.gloves.size())
        {
            // Gloves discovered since the last look; known ones keep their state.
            const auto gloves = TSCore::HapticGlove::GetHapticGloves();
            for (size_t i = reader.gloves.size(); i < gloves.size(); ++i)
                reader.gloves.push_back({gloves[i], std::nullopt, std::string(), 0});
        }
        if (index >= reader.gloves.size())
            throw Failure{TSCORE_NOT_FOUND, "there is no glove " + std::to_string(index) + ": " +
                                                std::to_string(reader.gloves.size()) + " known"};
        return reader.gloves[index];
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
}

extern "C"
{
    tscore_status tscore_reader_create(tscore_reader** out)
    {
        return Call(__func__, [&] { return Publish(std::make_unique<tscore_reader>(), NotNull(out, "out")); });
    }

    tscore_status tscore_reader_destroy(tscore_reader* reader) { return Destroy(__func__, reader); }

    tscore_status tscore_reader_hand_pose(tscore_reader* reader, size_t glove, tscore_profile* profile,
                                          tscore_pose* out, tscore_reading* reading)
    {
        return Call(__func__,
                    [&]
                    {
                        tscore_reader& r = Object(reader, "reader");
                        TSCore::HandPose& pose = Object(out, "out").pose;
                        tscore_reader::Glove& g = GloveAt(r, glove);
                        TSCore::HandProfile* p = profile != nullptr ? &Object(profile, "profile").profile : nullptr;
                        if (p == nullptr)
                        {
                            if (!g.defaultProfile)
                                g.defaultProfile = TSCore::HandProfile::Default(g.glove->IsRight());
                            p = &*g.defaultProfile;
                        }
                        const bool complete = g.glove->GetHandPose(*p, pose);
                        if (reading != nullptr)
                        {
                            tscore_reading state{};
                            TSCore::DeviceList::GetSensorDataString(g.glove->GetDeviceKey(), r.text);
                            state.is_new = r.text != g.lastText ? 1 : 0;
                            if (state.is_new)
                            {
                                g.lastText.swap(r.text);
                                ++g.sequence;
                            }
                            state.sequence = g.sequence;
                            state.connected = g.glove->IsConnected() ? 1 : 0;
                            const tscore_service_status service = ReadServiceStatus();
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

    tscore_status tscore_reader_imu_rotation(tscore_reader* reader, size_t glove, float* out, size_t count)
    {
        return Call(__func__,
                    [&]
                    {
                        tscore_reader::Glove& g = GloveAt(Object(reader, "reader"), glove);
                        NotNull(out, "out");
                        NeedRoom(count, 4, "out");
                        TSCore::Kinematics::Quat q;
                        const bool read = g.glove->GetIMURotation(q);
                        Put(out, q);
                        return read ? Succeed() : Fail(TSCORE_NO_READING, "no reading: the identity was written");
                    });
    }

    tscore_status tscore_reader_service_status(tscore_reader* reader, tscore_service_status* out)
    {
        return Call(__func__,
                    [&]
                    {
                        Object(reader, "reader");
                        *NotNull(out, "out") = ReadServiceStatus();
                        return Succeed();
                    });
    }
}
