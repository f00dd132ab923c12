#include "Motion.h"

#include "Noise.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace TessLinkSim::Motion
{
    namespace
    {
        constexpr double pi = 3.14159265358979323846;

        double Lerp(double a, double b, double s) { return a + (b - a) * s; }

        // A sensor between its open and fist values, moved by noise on the same scale.
        double Sensor(double open, double fist, double s, Noise* noise)
        {
            return Lerp(open, fist, s + (noise != nullptr ? noise->Next() : 0.0));
        }

        void AppendQuaternion(std::string& out, const Quaternion& q)
        {
            out += Fixed3(q.x);
            out += ';';
            out += Fixed3(q.y);
            out += ';';
            out += Fixed3(q.z);
            out += ';';
            out += Fixed3(q.w);
        }
    }

    std::array<double, fingerCount> Closure(Pattern pattern, double t, double period, int fingers)
    {
        std::array<double, fingerCount> closure{};
        switch (pattern)
        {
        case Pattern::Open:
            break;
        case Pattern::Fist:
            closure.fill(1.0);
            break;
        case Pattern::Pinch:
            closure[0] = 0.5;
            closure[1] = 0.5;
            break;
        case Pattern::Wave:
        {
            if (fingers < 1 || fingers > fingerCount || !(period > 0.0))
                break;
            // Each finger owns one slice of the period and makes a smooth close-open stroke in it.
            double phase = std::fmod(t, period) / period;
            if (phase < 0.0)
                phase += 1.0;
            const double slice = 1.0 / fingers;
            const int finger = std::min(fingers - 1, static_cast<int>(phase / slice));
            const double local = (phase - finger * slice) / slice;
            closure[static_cast<std::size_t>(finger)] = 0.5 - 0.5 * std::cos(2.0 * pi * local);
            break;
        }
        }
        return closure;
    }

    Shape ShapeOf(const std::array<double, fingerCount>& closure) { return {closure, closure[0]}; }

    Shape ShapeAt(Pattern pattern, double t, double period, Family family, bool right)
    {
        if (pattern == Pattern::Pinch)
        {
            if (family == Family::Exo)
                return right ? pinchShapes.exoRight : pinchShapes.exoLeft;
            return right ? pinchShapes.kelvoRight : pinchShapes.kelvoLeft;
        }
        // A Kelvo glove has no sensor of its own for the pinky.
        return ShapeOf(Closure(pattern, t, period, family == Family::Exo ? fingerCount : 4));
    }

    Quaternion Orientation(double t)
    {
        const double angle = orientationDegreesPerSecond * t * pi / 180.0;
        return {0.0, 0.0, std::sin(angle / 2.0), std::cos(angle / 2.0)};
    }

    std::string ExoSensorText(const Shape& shape, bool right, const Quaternion& q, Noise* noise)
    {
        std::string out = "0:";
        for (std::size_t f = 0; f < fingerCount; ++f)
        {
            if (f > 0)
                out += '|';
            for (std::size_t s = 0; s < exoSensorsPerFinger; ++s)
            {
                if (s > 0)
                    out += ';';
                const double amount = f == 0 && s == 0 ? shape.thumbSwing : shape.closure[f];
                double value = Sensor(exoLinkagePoses.open[f][s], exoLinkagePoses.fist[f][s], amount, noise);
                if (s == 0 && !right)
                    value = -value;
                out += Fixed3(value);
            }
        }
        out += ':';
        AppendQuaternion(out, q);
        out += ":0:0";
        return out;
    }

    std::string KelvoSensorText(const Shape& shape, const Quaternion& q, Noise* noise)
    {
        const KelvoReadingPoses& p = kelvoReadingPoses;
        const auto reading = [noise](int open, int fist, double s)
        { return std::to_string(static_cast<int>(std::lround(Sensor(open, fist, s, noise)))); };
        std::string out;
        for (std::size_t f = 0; f < 4; ++f)
        {
            if (f > 0)
                out += '|';
            out += reading(p.openFlexion[f], p.fistFlexion[f], shape.closure[f]);
            if (f == 0)
                out += ';' + reading(p.openThumbSpread, p.fistThumbSpread, shape.thumbSwing);
        }
        out += ':';
        AppendQuaternion(out, q);
        return out;
    }

    std::string Fixed3(double value)
    {
        if (!std::isfinite(value))
            value = 0.0;
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
        if (result.ec != std::errc())
            return "0.000";
        std::string text(buffer, result.ptr);
        if (text == "-0.000")
            text.erase(0, 1);
        return text;
    }

    bool ParsePattern(const std::string& text, Pattern& out)
    {
        if (text == "open")
            out = Pattern::Open;
        else if (text == "fist")
            out = Pattern::Fist;
        else if (text == "wave")
            out = Pattern::Wave;
        else if (text == "pinch")
            out = Pattern::Pinch;
        else
            return false;
        return true;
    }
}
