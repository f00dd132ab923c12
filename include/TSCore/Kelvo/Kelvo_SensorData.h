#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Kelvo/Kelvo_GloveInfo.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kelvo
{
    /// One reading of a second-model glove: the first two raw readings of every finger sensor
    /// (thumb first) and the corrected orientation of the hand.
    class TSCORE_API Kelvo_SensorData
    {
    public:
        /// The sensor string carried a readable IMU quaternion.
        bool imuParsed;
        /// Per sensor entry (0, first reading, second reading), whole numbers in raw units.
        std::vector<Kinematics::Vect3D> sensorAngles;
        /// The raw IMU quaternion times the glove's imuCorrection.
        Kinematics::Quat imuRotation;
        /// Readings taken from the sensor string, at most three counted per entry.
        int parsedValues;

        /// No entries, identity orientation, parsedValues -1.
        Kelvo_SensorData();
        Kelvo_SensorData(std::vector<Kinematics::Vect3D> sensorAngles, int parsedValues, Kinematics::Quat imuRotation,
                         bool imuParsed);
        Kelvo_SensorData(const Kelvo_SensorData& other) = default;
        Kelvo_SensorData(Kelvo_SensorData&& other) noexcept = default;
        Kelvo_SensorData& operator=(const Kelvo_SensorData& other) = default;
        Kelvo_SensorData& operator=(Kelvo_SensorData&& other) noexcept = default;
        ~Kelvo_SensorData() = default;

        /// Reads "r;r;..|r;r;..|...:x;y;z;w". Never fails outward: an unreadable text gives Empty().
        static Kelvo_SensorData Parse(std::string sensorString, const Kelvo_GloveInfo& info);
        /// No entries, identity orientation, parsedValues 0: the result of every failed read.
        static Kelvo_SensorData Empty();

        bool IMUParsed() const noexcept { return imuParsed; }

        /// Entries, parsedValues and orientation; imuParsed is not compared.
        bool Equals(Kelvo_SensorData other) const;

        /// {parsedValues}{{x;y;z}...}{x;y;z;w}{1|0}
        std::string Serialize() const;
        /// Reads what Serialize writes; Empty() for a short or unreadable text.
        static Kelvo_SensorData Deserialize(std::string text);

        /// The count, one "Name: x, y, z" line per entry, then "IMU: x, y, z, w"; lines end in
        /// "\r\n", the last one has no line break.
        std::string ToString() const;
    };
}
