#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Kinematics
{
    /// Geometry of the wearer's hand: per digit (thumb first) the lengths of its three bones
    /// (millimetres) and the position and orientation of its first joint in the hand frame
    /// (+x toward the fingers, +y toward the thumb of a right hand, +z out of the back).
    class TSCORE_API BasicHandModel
    {
    public:
        /// Derived: per digit, the sum of its bone lengths.
        std::vector<float> totalLengths;
        /// Derived: per digit, each bone length divided by the digit's total.
        std::vector<std::vector<float>> fingerRatios;
        std::vector<std::vector<float>> fingerLengths;
        std::vector<Vect3D> jointPositions;
        std::vector<Quat> jointRotations;
        bool isRight;

        /// An empty model (no digits), not validated; use Default for a usable one.
        BasicHandModel();
        /// Stores the lists and completes whatever is missing from the default geometry.
        BasicHandModel(bool right, std::vector<std::vector<float>> lengths, std::vector<Vect3D> positions);
        BasicHandModel(bool right, std::vector<std::vector<float>> lengths, std::vector<Vect3D> positions,
                       std::vector<Quat> rotations);
        BasicHandModel(const BasicHandModel& other) = default;
        BasicHandModel& operator=(const BasicHandModel& other) = default;
        BasicHandModel(BasicHandModel&& other) noexcept = default;
        BasicHandModel& operator=(BasicHandModel&& other) noexcept = default;
        ~BasicHandModel() = default;

        /// The complete default geometry of a right or left hand.
        static BasicHandModel Default(bool right);

        std::vector<float> GetFingerLengths(Finger finger) const;
        /// Replaces one digit's lengths (any count) and recomputes the derived lists.
        void SetFingerLengths(std::vector<float> lengths, Finger finger);
        std::vector<float> GetFingerRatioes(Finger finger) const;
        std::vector<std::vector<float>> GetFingerRatioes() const;
        float GetTotalLength(Finger finger) const;
        std::vector<float> GetTotalLengths() const;
        /// The three bones of a digit as vectors along +x; (0, 0, 0) where a bone is missing.
        std::vector<Vect3D> Get3DLengths(Finger finger) const;
        Vect3D GetJointPosition(Finger finger) const;
        void SetJointPosition(Vect3D position, Finger finger);
        Quat GetJointRotation(Finger finger) const;
        void SetJointRotation(Quat rotation, Finger finger);

        /// Compares lengths, positions and rotations; the side and derived lists are not compared.
        bool Equals(BasicHandModel other) const;

        /// Side, lengths, positions and rotations as four blocks.
        std::string Serialize() const;
        /// Reads the four blocks; whatever is missing is completed from the defaults.
        static BasicHandModel Deserialize(std::string text);

        std::string ToString() const;
        /// Compact: one "Name: [l0, l1, l2]" line per digit; otherwise with start positions
        /// and rotations (Euler angles in degrees).
        std::string ToString(bool compact) const;

    protected:
        virtual void Validate();
        void CalculateVariables();
    };
}
