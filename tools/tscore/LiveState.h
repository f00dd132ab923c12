#pragma once

// The one rule for what a reading is worth, shared by every view (list, watch, pose, render,
// calibrate, haptics, view):
// - The service writes its time stamp every second. It is running while the stamp is less
//   than 3 s old (a stamp ahead of the clock counts as fresh), stale ("not updating") from
//   3 s on, and stopped from 10 s on, or when "Devices" or the stamp is missing: the reader's
//   rule (ServiceReader::StateForStampAge), taken from it here and nowhere written again.
// - A glove is live when the service is running, its record says connected and its reading
//   is complete and valid. A stopped service's word comes first (its records are not current
//   either); then a glove the service no longer announces ("absent"); then a record that
//   says not connected ("disconnected"); then a stale service; then an incomplete or invalid
//   reading.
// - Nothing stale or disconnected is presented as current: views label it, pose refuses it.

#include <optional>
#include <string>
#include <vector>

#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandPose.h>
#include <TSCore/Kinematics/Quat.h>

namespace TSCoreCli
{
    using ServiceCondition = TSCore::ServiceReader::ServiceState;

    struct ServiceStatus
    {
        ServiceCondition condition = ServiceCondition::Stopped;
        std::optional<long long> stampAge; ///< seconds since the latest time stamp (negative: ahead)

        /// What the reader's latest check found.
        static ServiceStatus Of(const TSCore::ServiceReader& reader);
        /// "running", "stale" or "stopped".
        const char* Name() const;
        /// "running (time stamp 0 s old)", "not updating (time stamp 5 s old)", "not running
        /// (time stamp 12 s old)", "not running".
        std::string Describe() const;
        /// exitOk while running; otherwise says what is wrong and what to do, and returns
        /// exitNoService.
        int Refuse() const;
    };

    /// What a device's record is worth now: "connected", "disconnected", "stale" or "stopped".
    const char* DeviceWord(const ServiceStatus& service, bool connected);

    struct GloveState
    {
        ServiceStatus service;
        bool announced = true; ///< the service still lists the glove (the same device object)
        bool connected = false;
        bool complete = false;                   ///< a complete reading arrived
        std::vector<std::string> invalidFingers; ///< fingers without finite numbers
        double readingTime = 0.0;                ///< seconds since 1970 when the reading was first seen; 0: none
        bool newReading = false;                 ///< not the reading the previous read of this glove gave
        std::optional<TSCore::Kinematics::Quat> orientation; ///< of the same reading, when it has one

        bool Valid() const { return complete && invalidFingers.empty(); }
        /// Everything current: the service updating, the glove connected, the pose valid.
        bool Live() const;
        /// Whether the numbers may be shown at all (labelled when not live): a valid reading
        /// of a glove still announced by a service that has not stopped.
        bool Showable() const { return Valid() && announced && service.condition != ServiceCondition::Stopped; }
        /// One word for what a reader must know first: live, stale, stopped, absent,
        /// disconnected, incomplete or invalid.
        const char* Word() const;
        /// One line of at most 79 characters saying what is not live, or that all is.
        std::string Headline() const;
        /// exitOk when live; otherwise says why the reading of target is not current and
        /// returns the code for it (3 service, 4 absent or disconnected, 7 incomplete, 9 invalid).
        int Refuse(const std::string& target) const;
    };

    /// The fingers whose angles, positions or rotations are missing or not finite.
    std::vector<std::string> InvalidFingers(const TSCore::HandPose& pose);

    /// "the pose is invalid: Thumb, Index have no finite angles", with the likely cause.
    std::string InvalidPoseMessage(const std::vector<std::string>& fingers);
}
