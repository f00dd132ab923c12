#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "TSCore/DeviceType.h"
#include "TSCore/Devices/HapticGlove.h"
#include "TSCore/Devices/TSDevice.h"
#include "TSCore/Export.h"
#include "TSCore/Hand/HandPose.h"
#include "TSCore/Hand/HandProfile.h"
#include "TSCore/Kinematics/BasicHandModel.h"
#include "TSCore/Kinematics/Quat.h"

namespace TSCore
{
    /// The connection service read at frame rate. Where DeviceList maps a segment for every call,
    /// a reader keeps "Devices" and "Data" open and mapped read-only between calls, so that a
    /// frame costs the copy of one text and the pose computed from it.
    ///
    /// What it checks, and when:
    /// - Before every read of a mapping, one fstat of that segment's kept descriptor. A segment
    ///   whose file was removed (the service stopped or was replaced) or changed size is not
    ///   touched again: the read answers Missing and the next Update() opens what the service
    ///   publishes now. No byte past the size seen by that fstat is ever read. (Only a service
    ///   that truncates the file within the fraction of a microsecond between that fstat and the
    ///   copy could still fault the read, as it could on DeviceList's path.)
    /// - In Update(), at most every checkIntervalMilliseconds (and in every Refresh()): the time stamp, the
    ///   device count and every device record, from the kept "Devices" mapping. A changed
    ///   count or record, or a replaced segment, updates the device list at once.
    /// Nothing else makes a system call, and nothing allocates once the reader's storage has
    /// grown to the texts' sizes.
    ///
    /// The device list is what the service announces at the latest check: devices whose records
    /// parse, in the order of their device index. An entry keeps its device object for as long
    /// as its record names the same device (same type and constants); a record that names
    /// another device replaces the entry with a new object, and a record that is gone, no longer
    /// parses or lies beyond the count drops the entry. A service that stopped ("Devices"
    /// removed) announces nothing; a restarted one is discovered anew, its devices as new
    /// objects. Objects a caller still holds stay valid. DeviceList's own cache is not touched.
    ///
    /// Threads: a reader is not locked. Use each reader from one thread at a time (one reader
    /// per thread is the usual way; each keeps its own mappings). The texts and records it
    /// returns by reference live in the reader and change with its next call, which no lock
    /// could make safe to share, and the device objects are as unguarded as DeviceList's.
    ///
    /// Positions (0 .. DeviceCount() - 1) stay the same between two Update() or Refresh()
    /// calls; every other call leaves the list alone. Any position out of range is answered
    /// like a device without data. Nothing here throws.
    class TSCORE_API ServiceReader
    {
    public:
        /// The state of the connection service, by the age of its time stamp ("scanActive").
        enum class ServiceState
        {
            Running, ///< stamp less than staleAfterSeconds old (or ahead of this clock)
            Stale,   ///< segments there, stamp staleAfterSeconds old or more, but less than stoppedAfterSeconds
            Stopped, ///< "Devices" missing, no readable stamp, or stamp stoppedAfterSeconds old or more
        };

        /// The service writes its stamp every second: from this age on it is not updating.
        static constexpr long long staleAfterSeconds = 3;
        /// From this age on a silent service counts as stopped (DeviceList::TessLinkRunning's bound).
        static constexpr long long stoppedAfterSeconds = 10;
        /// How often Update() reads the stamp, the count and the records.
        static constexpr long long checkIntervalMilliseconds = 100;
        /// What the Find functions return when nothing matches.
        static constexpr std::size_t npos = static_cast<std::size_t>(-1);

        /// The answer of one read of a device's sensor text.
        enum class ReadStatus
        {
            New,       ///< a text other than the one the previous read gave
            Unchanged, ///< the same text as the previous read
            Missing,   ///< no text: the service, the segment or the object is not there
            Unstable,  ///< the service kept rewriting the text while it was copied; try again
        };

        struct Reading
        {
            ReadStatus status = ReadStatus::Missing;
            /// Counts the distinct texts read from this device, 1 for the first; 0 before any.
            std::uint64_t sequence = 0;
            /// When this reader first read the current text.
            std::chrono::steady_clock::time_point firstSeen{};
            /// The same moment on the wall clock, for time stamps other machines and files read.
            std::chrono::system_clock::time_point firstSeenWall{};

            bool Ok() const { return status == ReadStatus::New || status == ReadStatus::Unchanged; }
            bool IsNew() const { return status == ReadStatus::New; }
        };

        /// A device record as it was at the latest check, with the identity of its device.
        struct DeviceInfo
        {
            int deviceIndex = -1;
            std::string deviceKey; ///< "device" + index: its name in every segment
            DeviceType type = DeviceType::Unknown;
            bool isGlove = false; ///< Tessara or Kelvo
            bool isRight = false; ///< for a glove: its side
            std::string deviceID;
            std::string hardwareVersion;
            int firmwareVersion = 0;
            int subFirmwareVersion = 0;
            std::string firmware; ///< "4.7"
            bool connected = false;
            int packetsPerSecond = 0;
            std::string address;
            TSDevice::ConnectionType connectionType = TSDevice::ConnectionType::Unknown;
            std::string record; ///< the whole record text
        };

        /// Opens the segments and reads the device list (Refresh()).
        ServiceReader();
        ~ServiceReader();
        ServiceReader(ServiceReader&& other) noexcept;
        ServiceReader& operator=(ServiceReader&& other) noexcept;
        ServiceReader(const ServiceReader&) = delete;
        ServiceReader& operator=(const ServiceReader&) = delete;

        /// The check when it is due (checkIntervalMilliseconds after the last one, or at once after a read
        /// found a segment changed); otherwise one read of the steady clock. Call it once per
        /// frame. True when the device list changed.
        bool Update();
        /// The check now. True when the device list changed.
        bool Refresh();
        /// Counts the changes of the device list; a caller keeping per-position state starts
        /// it over when this moves.
        std::uint64_t Generation() const;

        /// The service's state at this moment, from the stamp of the latest check.
        ServiceState State() const;
        /// Seconds since the service's stamp (negative when it is ahead of this clock); none
        /// when the latest check found no readable stamp.
        std::optional<long long> StampAge() const;
        /// The one rule: the state of a service whose stamp is this old (none: no stamp).
        static ServiceState StateForStampAge(std::optional<long long> ageSeconds);
        /// "running", "stale" or "stopped".
        static const char* StateName(ServiceState state);

        std::size_t DeviceCount() const;
        /// The device's record as of the latest check; an empty DeviceInfo out of range.
        const DeviceInfo& Info(std::size_t position) const;
        /// The device object parsed from the record, shared; send haptics and calibrate with it.
        std::shared_ptr<TSDevice> Device(std::size_t position) const;
        /// The same object as a glove; empty for a device that is no glove.
        std::shared_ptr<HapticGlove> Glove(std::size_t position) const;

        /// The position of the device with this service index or key; npos when not listed.
        std::size_t FindIndex(int deviceIndex) const;
        std::size_t FindKey(std::string_view deviceKey) const;
        /// The first glove of that side whose record says connected, as HapticGlove::GetGlove
        /// picks it; npos when there is none.
        std::size_t FindGlove(bool right) const;

        /// Reads the device's latest sensor text: the validity check, then a copy that a
        /// second look at the segment confirms (a copy that mixes two writes is retried, then
        /// reported Unstable). An unsuccessful read keeps the previous text.
        Reading Read(std::size_t position);
        /// The text of the latest successful read ("" before one); valid until the next read of
        /// this device, Update() or Refresh().
        std::string_view Text(std::size_t position) const;
        /// Read(), then the text into out ("" when none was ever read).
        Reading ReadText(std::size_t position, std::string& out);
        /// What the latest read of the device answered.
        Reading LastReading(std::size_t position) const;

        /// Read(), then the hand pose of the text through the glove's part of the profile, on the
        /// default hand model of the glove's side, as the glove's own GetHandPose computes it:
        /// every complete reading widens the glove object's calibration range as GetHandPose
        /// does. The idle pose and false when there is no complete reading or no glove.
        bool GetHandPose(std::size_t position, const HandProfile& profile, HandPose& out);
        bool GetHandPose(std::size_t position, const Kinematics::BasicHandModel& handModel, const HandProfile& profile,
                         HandPose& out);
        /// Read(), then the hand's orientation, as the glove's GetIMURotation gives it; identity
        /// and false without a complete reading.
        bool GetIMURotation(std::size_t position, Kinematics::Quat& q);

        /// The hand pose of a sensor text read already (from a reader, a recording, another
        /// machine), exactly as glove.GetHandPose would compute it from that text, the widening
        /// of glove's calibration range included. Allocation-free once the storage of the
        /// calling thread and out have grown. The idle pose and false for an incomplete reading
        /// or a device of no glove family.
        static bool HandPoseFromText(HapticGlove& glove, std::string_view text, const HandProfile& profile,
                                     HandPose& out);
        static bool HandPoseFromText(HapticGlove& glove, std::string_view text,
                                     const Kinematics::BasicHandModel& handModel, const HandProfile& profile,
                                     HandPose& out);
        /// The orientation in a sensor text read already, as glove.GetIMURotation gives it.
        static bool IMURotationFromText(HapticGlove& glove, std::string_view text, Kinematics::Quat& q);

        /// The command text under deviceKey in "Haptics" now: what the glove was last told, by
        /// this process or any other, in its family's byte encoding ('{', 'Z', each level as the
        /// byte level + 1, '}'). One read per call (the segment is opened, the text copied and
        /// confirmed as Read() does, the segment closed again): for a tool that completes a
        /// command or shows what is held, not for every frame. False and "" when "Haptics" or
        /// the entry is not there (nothing was sent since the segment was made) or the text kept
        /// changing while it was copied.
        static bool ReadCommandText(std::string_view deviceKey, std::string& out);
        /// The text of a named object in "Devices" beside the device records, read as
        /// ReadCommandText reads: a service's own word about itself (a bridge mirror writes
        /// its link's state under "bridge"). False and "" when there is no such object.
        static bool ReadServiceText(std::string_view object, std::string& out);

        /// The device a record names (a record kept in a recording, or sent from another machine),
        /// parsed as the reader parses the service's records, with deviceIndex and its key set;
        /// info, when given, gets the record's fields. Empty (info untouched) when the record names
        /// no device.
        static std::shared_ptr<TSDevice> DeviceFromRecord(int deviceIndex, std::string_view record,
                                                          DeviceInfo* info = nullptr);

    private:
        struct Impl;
        std::unique_ptr<Impl> impl;
    };
}
