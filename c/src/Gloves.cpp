// A glove's readings, haptics and calibration.

#include <vector>

#include <TSCore/Kelvo/Kelvo.h>
#include <TSCore/TS/Tessara.h>

#include "Arrays.h"
#include "Objects.h"
#include "ServiceStamp.h"

using namespace tscore_c;
using TSCore::HapticGlove;
using TSCore::Haptics::ThumperCmd;
using TSCore::Haptics::TS_BuzzCmd;
using TSCore::Haptics::TS_FFBCmd;
using TSCore::Haptics::TS_ThumperCmd;
using TSCore::Kinematics::Vect3D;

namespace
{
    /// Five levels from the caller's count (5, or the glove's channel count), the last levels
    /// sent when levels is NULL.
    std::vector<int> Levels(const int32_t* levels, size_t count, size_t channels, const char* name,
                            const std::vector<int>& last)
    {
        if (levels == nullptr)
        {
            if (count != 0)
                throw Failure{TSCORE_NULL_ARGUMENT, std::string(name) + " is NULL with a count of " +
                                                        std::to_string(count) +
                                                        " (NULL keeps the last levels: give 0)"};
            return last;
        }
        if (count != 5 && count != channels)
            throw Failure{TSCORE_INVALID_ARGUMENT, std::string(name) + " has " + std::to_string(count) +
                                                       " levels; this glove takes " + std::to_string(channels) +
                                                       (channels == 5 ? "" : " or 5")};
        std::vector<int> out(5, 0);
        for (size_t i = 0; i < count; ++i)
        {
            if (levels[i] < 0 || levels[i] > 100)
                throw Failure{TSCORE_INVALID_ARGUMENT, std::string(name) + "[" + std::to_string(i) + "] is " +
                                                           std::to_string(levels[i]) + ": levels are 0 to 100"};
            out[i] = levels[i];
        }
        return out;
    }

    TS_ThumperCmd Effect(int32_t code)
    {
        if (code == TSCORE_THUMPER_KEEP || code == TSCORE_THUMPER_NONE)
            return TS_ThumperCmd::None;
        if (code >= TSCORE_THUMPER_TAP && code <= TSCORE_THUMPER_RUMBLE)
            return static_cast<TS_ThumperCmd>(code);
        throw Failure{TSCORE_INVALID_ARGUMENT, "a Tessara's thumper takes an effect code (1 to 6, or 126 for none), "
                                               "not " +
                                                   std::to_string(code)};
    }

    int Magnitude(int32_t value, const HapticGlove& glove)
    {
        if (value == TSCORE_THUMPER_KEEP)
            return glove.lastThumper.magnitude;
        if (value < 0 || value > 100)
            throw Failure{TSCORE_INVALID_ARGUMENT,
                          "a Kelvo's thumper takes a magnitude 0 to 100, not " + std::to_string(value)};
        return value;
    }

    /// Commands go only to a glove the service reports as there.
    void NeedService()
    {
        const tscore_service_status service = ReadServiceStatus();
        if (service.state == TSCORE_SERVICE_RUNNING)
            return;
        throw Failure{TSCORE_SERVICE_NOT_RUNNING,
                      service.has_stamp ? "the connection service is not updating (time stamp " +
                                              std::to_string(service.stamp_age) + " s old): nothing sent"
                                        : std::string("the connection service is not running: nothing sent")};
    }

    /// Runs a send and tells whether it wrote: the library records a command as the last one
    /// only once it is written, so a marker in its place shows a write that failed.
    template <class Send>
    void Written(HapticGlove& glove, Send send)
    {
        const TS_FFBCmd last = glove.lastFFB;
        glove.lastFFB = TS_FFBCmd(-1, -1, -1, -1, -1);
        try
        {
            send();
        }
        catch (...)
        {
            glove.lastFFB = last;
            throw;
        }
        if (glove.lastFFB.GetLevel(0) != -1)
            return;
        glove.lastFFB = last;
        throw Failure{TSCORE_NOT_SENT, "the command could not be written into the service's \"Haptics\" segment"};
    }

    void PutCalibration(float* out, const std::vector<Vect3D>& values) { PutRows(out, values, 5); }
}

extern "C"
{
    tscore_status tscore_glove_hand_pose(tscore_device* glove, tscore_profile* profile, tscore_pose* out)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        TSCore::HandProfile& p = ProfileOr(Object(glove, "glove"), profile);
                        TSCore::HandPose& pose = Object(out, "out").pose;
                        if (g.GetHandPose(p, pose))
                            return Succeed();
                        return Fail(TSCORE_NO_READING, "no complete reading: the idle pose was written");
                    });
    }

    tscore_status tscore_glove_imu_rotation(tscore_device* glove, float* out, size_t count)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        NotNull(out, "out");
                        NeedRoom(count, 4, "out");
                        TSCore::Kinematics::Quat q;
                        const bool read = g.GetIMURotation(q);
                        Put(out, q);
                        return read ? Succeed() : Fail(TSCORE_NO_READING, "no reading: the identity was written");
                    });
    }

    tscore_status tscore_glove_send_haptics(tscore_device* glove, const int32_t* ffb, size_t ffb_count,
                                            const int32_t* buzz, size_t buzz_count, int32_t thumper)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        auto* tessara = dynamic_cast<TSCore::TS::Tessara*>(&g);
                        const TS_FFBCmd f(Levels(ffb, ffb_count, tessara ? 5 : 4, "ffb", g.lastFFB.levels));
                        const TS_BuzzCmd b(Levels(buzz, buzz_count, tessara ? 5 : 2, "buzz", g.lastBuzz.levels));
                        const TS_ThumperCmd effect = tessara ? Effect(thumper) : TS_ThumperCmd::None;
                        const int magnitude = tessara ? 0 : Magnitude(thumper, g);
                        NeedService();
                        if (!g.IsConnected())
                            return Fail(TSCORE_NOT_CONNECTED, "the glove is not connected: nothing sent");
                        if (tessara != nullptr)
                            Written(g, [&] { tessara->SendHaptics(f, b, effect); });
                        else
                            Written(g, [&] { g.SendHaptics(f, b, ThumperCmd(magnitude)); });
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_stop_haptics(tscore_device* glove)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        NeedService();
                        Written(g, [&] { g.StopHaptics(); });
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_reset_calibration(tscore_device* glove)
    {
        return Call(__func__,
                    [&]
                    {
                        Glove(glove).ResetCalibrationRange();
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_update_calibration_range(tscore_device* glove)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        std::vector<Vect3D> values;
                        if (!g.GetCalibrationValues(values))
                            return Fail(TSCORE_NO_READING, "no complete reading: the range is unchanged");
                        g.UpdateCalibrationRange(values);
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_calibration_range(tscore_device* glove, float* min, size_t min_count, float* max,
                                                 size_t max_count)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        NotNull(min, "min");
                        NotNull(max, "max");
                        NeedRoom(min_count, TSCORE_CALIBRATION_VALUES, "min");
                        NeedRoom(max_count, TSCORE_CALIBRATION_VALUES, "max");
                        std::vector<Vect3D> low;
                        std::vector<Vect3D> high;
                        g.GetCalibrationRange(low, high);
                        PutCalibration(min, low);
                        PutCalibration(max, high);
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_apply_calibration(tscore_device* glove, tscore_profile* profile)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        g.ApplyCalibration(Object(profile, "profile").profile);
                        return Succeed();
                    });
    }

    tscore_status tscore_glove_update_calibration(tscore_device* glove, tscore_profile* profile)
    {
        return Call(__func__,
                    [&]
                    {
                        HapticGlove& g = Glove(glove);
                        TSCore::HandProfile& p = Object(profile, "profile").profile;
                        std::vector<Vect3D> values;
                        const bool read = g.GetCalibrationValues(values);
                        if (read)
                            g.UpdateCalibrationRange(values);
                        g.ApplyCalibration(p);
                        return read ? Succeed()
                                    : Fail(TSCORE_NO_READING, "no complete reading: the range was applied unchanged");
                    });
    }
}
