#include "TSCore/TS/TessaraVars.h"

#include <iterator>

#include "TSCore/Finger.h"
#include "TSCore/Kinematics/Values.h"
#include "Util/NumberFormat.h"

namespace TSCore::TS
{
    using Kinematics::Quat;
    using Kinematics::Values;
    using Kinematics::Vect3D;

    namespace
    {
        // Factory linkage of the QX7 hardware, the same on every finger.
        constexpr Vect3D factorySections[5] = {
            Vect3D(9.12f, 0.0f, 7.6f),    Vect3D(14.28f, 0.0f, 1.0f),    Vect3D(88.0f, 0.0f, 0.0f),
            Vect3D(-64.0f, 0.0f, -12.0f), Vect3D(22.03f, 0.0f, -10.68f),
        };

        // Right-hand start positions; a left hand mirrors y.
        constexpr Vect3D factoryStarts[fingerCount] = {
            Vect3D(-46.56f, 52.0347f, -22.1293f), Vect3D(44.36f, 33.09f, 6.95f),  Vect3D(62.22f, 11.0f, 8.0f),
            Vect3D(54.22f, -11.0f, 8.0f),         Vect3D(41.25f, -33.07f, 6.95f),
        };

        constexpr const char* stdStarts =
            "-47;-52;-22;11;69;-145|44;-33;7;5;0;0|62;-11;8;0;0;0|56;11;8;0;0;0|43;34;7;-5;0;0";
        constexpr const char* stdSections = "9;0;9;14;0;0;88;0;0;-64;0;-12;20;0;-12";
    }

    std::vector<std::vector<Vect3D>> TessaraVars::GetGloveLengths(std::string)
    {
        return std::vector<std::vector<Vect3D>>(
            fingerCount, std::vector<Vect3D>(std::begin(factorySections), std::end(factorySections)));
    }

    std::vector<Vect3D> TessaraVars::GetStartPositions(std::string, bool right)
    {
        const float s = right ? 1.0f : -1.0f;
        std::vector<Vect3D> positions;
        positions.reserve(fingerCount);
        for (const Vect3D& p : factoryStarts)
            positions.emplace_back(p.x, p.y * s, p.z);
        return positions;
    }

    std::vector<Quat> TessaraVars::GetStartRotations(std::string, bool right)
    {
        const float s = right ? 1.0f : -1.0f;
        return {
            Quat(-0.5531433f, 0.1174416f * s, 0.7583794f, 0.3241925f * s),
            Quat::FromEuler(-5.0f * Values::Deg2Rad, 0.0f, 0.0f),
            Quat::FromEuler(0.0f, 0.0f, 0.0f),
            Quat::FromEuler(0.0f, 0.0f, 0.0f),
            Quat::FromEuler(5.0f * Values::Deg2Rad, 0.0f, 0.0f),
        };
    }

    std::string TessaraVars::GetSensorString(std::string, float)
    {
        return "0:-1.570;-0.012;-0.337;0.000|0.061;-0.165;0.000;0.024|-0.030;-0.251;-0.012;0.000|"
               "-0.306;-0.220;-0.012;0.141|-0.478;-0.098;-0.441;0.000:2.122;2.230;0.288;0.553:0:0";
    }

    std::string TessaraVars::GetStdCString(std::string hardwareVersion, float firmware, bool right)
    {
        if (hardwareVersion != "QX7.2")
            return std::string();
        std::string s = right ? "C:QX7.2-R0008:QX7.2:v" : "C:QX7.2-L0007:QX7.2:v";
        Util::detail::AppendNumber(s, firmware);
        s += right ? ":R:3:" : ":L:3:";
        s += stdStarts;
        s += ':';
        for (int f = 0; f < fingerCount; ++f)
        {
            if (f > 0)
                s += '|';
            s += stdSections;
        }
        s += ":20:0;0;90";
        return s;
    }
}
