#include "ServiceLink.h"

#include "Arrays.h"
#include "LibraryCall.h"
#include "TextPose.h"

#include <pybind11/stl.h>

#include <TSCore/Devices/DeviceList.h>

#include <chrono>
#include <optional>

namespace tscore_py
{
    using TSCore::HandPose;
    using TSCore::HandProfile;
    using TSCore::HapticGlove;
    using TSCore::ServiceReader;
    using TSCore::TSDevice;
    using State = ServiceReader::ServiceState;

    namespace
    {
        constexpr std::size_t npos = ServiceReader::npos;

        // Created on first use and never destroyed: a thread still inside a call while the
        // interpreter exits must not find it gone. Only touched under the library mutex.
        ServiceReader& Reader()
        {
            static ServiceReader* const reader = new ServiceReader();
            return *reader;
        }

        // The device a record names, as the reader's own object for it would say: a service
        // restarted with the same glove under the same key gives the same answers.
        bool SameDevice(const ServiceReader::DeviceInfo& info, TSDevice& device)
        {
            auto* glove = dynamic_cast<HapticGlove*>(&device);
            return info.type == device.GetDeviceType() && info.isGlove == (glove != nullptr) &&
                   (glove == nullptr || info.isRight == glove->IsRight()) && info.deviceID == device.GetDeviceID() &&
                   info.hardwareVersion == device.GetHardwareVersion() &&
                   info.firmwareVersion == device.GetFirmwareVersion() &&
                   info.subFirmwareVersion == device.GetSubFirmwareVersion();
        }

        // Where the reader lists d now (npos: nowhere), looked up again only when the reader's
        // list changed: its own object, or one that names the same device under the same key.
        std::size_t Locate(ServiceReader& reader, DeviceRef& d)
        {
            reader.Update();
            const std::uint64_t generation = reader.Generation();
            if (d.generation == generation)
                return d.position;
            d.generation = generation;
            d.position = npos;
            const std::size_t at = reader.FindKey(d.device->GetDeviceKey());
            if (at != npos && (reader.Device(at) == d.device || SameDevice(reader.Info(at), *d.device)))
                d.position = at;
            return d.position;
        }

        enum class Link
        {
            Live,
            Stale,
            Ended,
        };

        Link LinkAt(const ServiceReader& reader, std::size_t at)
        {
            if (at == npos || !reader.Info(at).connected)
                return Link::Ended;
            switch (reader.State())
            {
            case State::Running:
                return Link::Live;
            case State::Stale:
                return Link::Stale;
            case State::Stopped:
                break;
            }
            return Link::Ended;
        }

        // The one rule: a device is read while the reader lists it, its record says connected
        // and the service is not stopped; stale (stamp 3 s old, under 10 s) is said apart. The
        // reader's list may be up to a check interval old: an end is confirmed by a check now,
        // so that a glove connected again (or a service back) a moment ago is not turned away.
        Link LinkOf(ServiceReader& reader, DeviceRef& d, std::size_t& at)
        {
            at = Locate(reader, d);
            const Link link = LinkAt(reader, at);
            if (link != Link::Ended)
                return link;
            reader.Refresh();
            at = Locate(reader, d);
            return LinkAt(reader, at);
        }

        double Seconds(std::chrono::system_clock::time_point t)
        {
            return std::chrono::duration<double>(t.time_since_epoch()).count();
        }

        const HandProfile& ProfileOr(const HandProfile* profile, HapticGlove& glove)
        {
            return profile != nullptr ? *profile : DefaultProfile(glove.IsRight());
        }

        // Under the lock: the pose of the glove's latest reading at that position, stamped with it.
        HandPosePtr PoseAt(ServiceReader& reader, std::size_t at, GloveRef& g, const HandProfile* profile,
                           const HandModelObject* model, ServiceReader::Reading& reading)
        {
            reading = reader.Read(at);
            if (!reading.Ok())
                return nullptr;
            HandPosePtr pose = PoseOfText(*g.glove, reader.Text(at), ProfileOr(profile, *g.glove),
                                          model != nullptr ? &model->model : nullptr, true);
            if (pose)
                pose->readingTime = Seconds(reading.firstSeenWall);
            return pose;
        }

        py::object PerCallPose(GloveRef& g, HandProfile* profile, HandModelObject* model)
        {
            HapticGlove* glove = g.glove;
            HandPosePtr pose = Call(
                [&]() -> HandPosePtr
                {
                    // GetHandPose takes the profile by reference but only reads it.
                    HandProfile& p = const_cast<HandProfile&>(ProfileOr(profile, *glove));
                    HandPose out;
                    const bool ok = model ? glove->GetHandPose(model->model, p, out) : glove->GetHandPose(p, out);
                    return ok ? std::make_unique<HandPoseObject>(std::move(out)) : nullptr;
                });
            return pose ? py::cast(std::move(pose)) : py::none();
        }
    }

    py::object HandPoseOf(GloveRef& g, HandProfile* profile, HandModelObject* model, bool perCall)
    {
        if (perCall)
            return PerCallPose(g, profile, model);
        HandPosePtr pose = Call(
            [&]() -> HandPosePtr
            {
                ServiceReader& reader = Reader();
                std::size_t at = npos;
                if (LinkOf(reader, g, at) == Link::Ended)
                    return nullptr;
                ServiceReader::Reading reading;
                HandPosePtr p = PoseAt(reader, at, g, profile, model, reading);
                if (p)
                    p->isNew = reading.IsNew();
                return p;
            });
        return pose ? py::cast(std::move(pose)) : py::none();
    }

    py::tuple StreamFrame(GloveRef& g, const HandProfile* profile, const HandModelObject* model, StreamCursor& cursor)
    {
        Link link = Link::Ended;
        HandPosePtr pose = Call(
            [&]() -> HandPosePtr
            {
                ServiceReader& reader = Reader();
                std::size_t at = npos;
                link = LinkOf(reader, g, at);
                if (link == Link::Ended)
                    return nullptr;
                // The reader's object for the glove is another one once the service restarted
                // (or the record named another device in between): that ends the stream.
                const std::shared_ptr<TSDevice> entry = reader.Device(at);
                if (!cursor.started)
                    cursor.entry = entry;
                cursor.started = true;
                if (cursor.entry.lock() != entry)
                    link = Link::Ended;
                if (link != Link::Live)
                    return nullptr;
                ServiceReader::Reading reading;
                HandPosePtr p = PoseAt(reader, at, g, profile, model, reading);
                if (p)
                {
                    p->isNew = reading.sequence != cursor.sequence;
                    cursor.sequence = reading.sequence;
                }
                return p;
            });
        const int state = link == Link::Live ? 0 : link == Link::Stale ? 1 : 2;
        return py::make_tuple(state, pose ? py::cast(std::move(pose)) : py::object(py::none()));
    }

    py::object IMURotationOf(GloveRef& g, bool perCall)
    {
        TSCore::Kinematics::Quat q;
        const bool ok = Call(
            [&]
            {
                if (perCall)
                    return g.glove->GetIMURotation(q);
                ServiceReader& reader = Reader();
                std::size_t at = npos;
                return LinkOf(reader, g, at) != Link::Ended && reader.Read(at).Ok() &&
                       ServiceReader::IMURotationFromText(*g.glove, reader.Text(at), q);
            });
        return ok ? py::object(ToArray(q)) : py::none();
    }

    py::object SensorTextOf(DeviceRef& d, bool perCall)
    {
        std::string text;
        const bool ok = Call(
            [&]
            {
                if (perCall)
                    return TSCore::DeviceList::GetSensorDataString(d.device->GetDeviceKey(), text);
                ServiceReader& reader = Reader();
                std::size_t at = npos;
                if (LinkOf(reader, d, at) == Link::Ended || !reader.Read(at).Ok())
                    return false;
                text.assign(reader.Text(at));
                return true;
            });
        return ok ? py::object(Text(text)) : py::none();
    }

    namespace
    {
        // The reader's devices after a check made now; gloves only when asked.
        py::list Listed(bool glovesOnly)
        {
            std::vector<std::shared_ptr<TSDevice>> devices;
            Call(
                [&]
                {
                    ServiceReader& reader = Reader();
                    reader.Refresh();
                    for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
                        if (!glovesOnly || reader.Info(i).isGlove)
                            devices.push_back(reader.Device(i));
                });
            return WrapAll(devices);
        }

        py::object FirstGlove(std::optional<bool> right)
        {
            std::shared_ptr<TSDevice> glove;
            Call(
                [&]
                {
                    ServiceReader& reader = Reader();
                    reader.Refresh();
                    for (std::size_t i = 0; i < reader.DeviceCount() && !glove; ++i)
                    {
                        const auto& info = reader.Info(i);
                        if (info.isGlove && info.connected && (!right || info.isRight == *right))
                            glove = reader.Device(i);
                    }
                });
            return Wrap(glove);
        }

        void BindDiscovery(py::module_& m)
        {
            m.def(
                "devices", [] { return Listed(false); },
                "Every device the service announces now, gloves and beta devices, in the order of\n"
                "their device index. Reads ServiceReader's device list after a check.");
            m.def(
                "haptic_gloves", [] { return Listed(true); },
                "Every glove the service announces now, connected or not. Reads ServiceReader's list.");
            m.def("glove", &FirstGlove, py::arg("right") = py::none(),
                  "The first glove the service announces connected (of the given side), in the order of\n"
                  "their device index, as HapticGlove::GetGlove picks it; None when there is none.\n"
                  "Reads ServiceReader's list after a check.");
        }

        void BindServiceState(py::module_& m)
        {
            m.def(
                "service_running", [] { return Call([] { return TSCore::DeviceList::TessLinkRunning(); }); },
                "True while the connection service's time stamp is under 10 s old.\n"
                "Wraps DeviceList::TessLinkRunning.");
            m.def(
                "service_state",
                []
                {
                    const State state = Call(
                        []
                        {
                            ServiceReader& reader = Reader();
                            reader.Refresh();
                            return reader.State();
                        });
                    return py::module_::import("tscore._enums").attr("ServiceState")(ServiceReader::StateName(state));
                },
                "The service's state now, a ServiceState: RUNNING while its time stamp is under 3 s old,\n"
                "STALE from 3 s, STOPPED from 10 s or when its segments are gone. Wraps\n"
                "ServiceReader::State.");
            m.def(
                "service_stamp_age",
                []
                {
                    return Call(
                        []
                        {
                            ServiceReader& reader = Reader();
                            reader.Refresh();
                            return reader.StampAge();
                        });
                },
                "Whole seconds since the service's time stamp (negative when it is ahead of this\n"
                "clock); None without a readable stamp. Wraps ServiceReader::StampAge.");
        }
    }

    void BindServiceLink(py::module_& m)
    {
        py::class_<StreamCursor>(m, "_StreamCursor").def(py::init<>());
        BindDiscovery(m);
        BindServiceState(m);
    }
}
