#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::TS
{
    /// Factory geometry of the exoskeleton hardware (it replaces what old firmware sends) and
    /// the standard texts of a QX7.2 glove, for tests and simulation.
    class TSCORE_API TessaraVars
    {
    public:
        /// Five fingers with the same five section offsets.
        static std::vector<std::vector<Kinematics::Vect3D>> GetGloveLengths(std::string hardwareVersion);
        static std::vector<Kinematics::Vect3D> GetStartPositions(std::string hardwareVersion, bool right);
        static std::vector<Kinematics::Quat> GetStartRotations(std::string hardwareVersion, bool right);

        /// A fixed sensor string of a hand at rest.
        static std::string GetSensorString(std::string hardwareVersion, float value);
        /// The constants string of a standard QX7.2 glove with the given firmware ("%f" after
        /// the 'v'); empty for any other hardware.
        static std::string GetStdCString(std::string hardwareVersion, float firmware, bool right);
    };
}
