#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/TS/TS_GloveInfo.h"

namespace TSCore::TS
{
    /// One reading of an exoskeleton glove: the linkage sensor angles of every finger (radians,
    /// thumb first, from the hand outwards) and the corrected orientation of the glove.
    class TSCORE_API TS_SensorData
    {
    public:
        /// Number of sensor angles read; a reading is complete when it equals the glove's numSensors.
        int parsedValues;
        bool imuParsed;
        std::vector<std::vector<float>> sensorAngles;
        /// The sensor's quaternion times the glove's imuCorrection.
        Kinematics::Quat imuRotation;

        /// No values read, five empty finger lists, identity orientation.
        TS_SensorData();
        TS_SensorData(std::vector<std::vector<float>> sensorAngles, Kinematics::Quat imuRotation, int parsedValues,
                      bool imuParsed);

        /// Reads a sensor string "x:angles:quaternion:...". Never fails: an unreadable value is
        /// left out and not counted, so the caller sees an incomplete reading.
        static TS_SensorData Parse(std::string sensorString, const TS_GloveInfo& gloveInfo);
        static TS_SensorData Empty();

        /// The finger's angles; empty when the reading has no such finger.
        std::vector<float> GetAngles(Finger finger) const;
        /// Every angle, thumb's first.
        std::vector<float> GetAngleSequence() const;
        bool IMUParsed() const { return imuParsed; }
        int ParsedValues() const { return parsedValues; }

        /// Compares the count, the orientation and every angle; imuParsed is not compared.
        bool Equals(TS_SensorData other) const;

        /// Angles in whole degrees, one line per finger, then the orientation.
        std::string ToString() const;

        /// {angles}{orientation}{imuParsed}; the count is recomputed when read back.
        std::string Serialize() const;
        static TS_SensorData Deserialize(std::string text);
    };
}
