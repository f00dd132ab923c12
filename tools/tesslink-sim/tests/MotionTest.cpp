#include "Motion.h"
#include "Noise.h"
#include "RecordText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace TessLinkSim;
using namespace TSCoreLink;
using namespace TessLinkSim::Motion;

namespace
{
    // Sensor groups of an exoskeleton text as numbers, read independently of the writer.
    std::vector<std::vector<double>> ExoAngles(const std::string& text)
    {
        std::vector<std::vector<double>> out;
        const auto fields = SplitFields(text, ':');
        for (const auto& group : SplitFields(fields.at(1), '|'))
        {
            out.emplace_back();
            for (const auto& value : SplitFields(group, ';'))
                out.back().push_back(std::strtod(value.c_str(), nullptr));
        }
        return out;
    }
}

TEST(Motion, StaticPatterns)
{
    for (const double t : {0.0, 1.3, 7.9})
    {
        for (const double c : Closure(Pattern::Open, t, 4.0, 5))
            EXPECT_EQ(c, 0.0);
        for (const double c : Closure(Pattern::Fist, t, 4.0, 5))
            EXPECT_EQ(c, 1.0);
        for (const Family family : {Family::Exo, Family::Kelvo})
            for (const bool right : {true, false})
            {
                const Shape pinch = ShapeAt(Pattern::Pinch, t, 4.0, family, right);
                EXPECT_GT(pinch.closure[0] * pinch.closure[1], 0.0) << "thumb and index bend";
                EXPECT_EQ(pinch.closure[2] + pinch.closure[3] + pinch.closure[4], 0.0);
            }
    }
}

TEST(Motion, WaveMovesOneFingerAtATime)
{
    // Five fingers over 5 s: finger f is fully closed at f + 0.5 s, others open.
    for (int f = 0; f < 5; ++f)
    {
        const auto closure = Closure(Pattern::Wave, f + 0.5, 5.0, 5);
        for (int g = 0; g < 5; ++g)
            EXPECT_NEAR(closure[static_cast<std::size_t>(g)], f == g ? 1.0 : 0.0, 1e-9) << f << g;
    }
    // Next period repeats; four fingers split the period in four.
    EXPECT_NEAR(Closure(Pattern::Wave, 5.5, 5.0, 5)[0], 1.0, 1e-9);
    EXPECT_NEAR(Closure(Pattern::Wave, 3.5, 4.0, 4)[3], 1.0, 1e-9);
    EXPECT_NEAR(Closure(Pattern::Wave, 3.5, 4.0, 4)[4], 0.0, 1e-9);
}

TEST(Motion, OrientationIsUnitAndTurnsAboutZ)
{
    for (const double t : {0.0, 3.0, 100.0})
    {
        const Quaternion q = Orientation(t);
        EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0, 1e-12);
        EXPECT_EQ(q.x, 0.0);
        EXPECT_EQ(q.y, 0.0);
    }
    EXPECT_NEAR(2.0 * std::asin(Orientation(2.0).z) * 180.0 / 3.14159265358979, 2.0 * orientationDegreesPerSecond,
                1e-9);
}

TEST(Motion, ExoTextOpenIsTheStandardString)
{
    const std::array<double, fingerCount> open{};
    EXPECT_EQ(ExoSensorText(ShapeOf(open), true, Orientation(0.0)),
              "0:-1.570;-0.012;-0.337;0.000|0.061;-0.165;0.000;0.024|-0.030;-0.251;-0.012;0.000|"
              "-0.306;-0.220;-0.012;0.141|-0.478;-0.098;-0.441;0.000:0.000;0.000;0.000;1.000:0:0");
}

TEST(Motion, ExoTextInterpolatesAndMirrorsSideways)
{
    std::array<double, fingerCount> closure{};
    closure[1] = 1.0;
    const auto right = ExoAngles(ExoSensorText(ShapeOf(closure), true, Orientation(0.0)));
    const auto left = ExoAngles(ExoSensorText(ShapeOf(closure), false, Orientation(0.0)));
    Noise noise(0.1);
    const auto noisy = ExoAngles(ExoSensorText(ShapeOf(closure), true, Orientation(0.0), &noise));
    ASSERT_EQ(right.size(), 5u);
    for (std::size_t f = 0; f < 5; ++f)
    {
        ASSERT_EQ(right[f].size(), 4u);
        for (std::size_t s = 0; s < 4; ++s)
        {
            const double expected = f == 1 ? exoLinkagePoses.fist[f][s] : exoLinkagePoses.open[f][s];
            EXPECT_NEAR(right[f][s], expected, 5e-4);
            EXPECT_NEAR(left[f][s], s == 0 ? -expected : expected, 5e-4);
            const double span = std::fabs(exoLinkagePoses.fist[f][s] - exoLinkagePoses.open[f][s]);
            EXPECT_LE(std::fabs(noisy[f][s] - expected), 0.1 * span + 5e-4) << "noise stays within its amount";
        }
    }
}

TEST(Motion, FistFlexesMoreThanOpen)
{
    // The glove's calibration range starts at 10 to 70 degrees of total flexion per finger.
    for (std::size_t f = 0; f < fingerCount; ++f)
    {
        double open = 0.0;
        double fist = 0.0;
        for (std::size_t s = 1; s < exoSensorsPerFinger; ++s)
        {
            open += exoLinkagePoses.open[f][s];
            fist += exoLinkagePoses.fist[f][s];
        }
        EXPECT_GT(fist - open, 0.5) << f;
    }
}

TEST(Motion, KelvoTextHasFiveReadingsAndOrientation)
{
    std::array<double, fingerCount> closure{};
    EXPECT_EQ(KelvoSensorText(ShapeOf(closure), Orientation(0.0)), "100;200|100|100|100:0.000;0.000;0.000;1.000");
    closure.fill(1.0);
    EXPECT_EQ(KelvoSensorText(ShapeOf(closure), Orientation(0.0)), "900;700|900|900|900:0.000;0.000;0.000;1.000");
    closure.fill(0.5);
    EXPECT_EQ(KelvoSensorText(ShapeOf(closure), Orientation(0.0)), "500;450|500|500|500:0.000;0.000;0.000;1.000");
}

TEST(Motion, Fixed3NeverWritesNegativeZero)
{
    EXPECT_EQ(Fixed3(-0.0001), "0.000");
    EXPECT_EQ(Fixed3(-0.0), "0.000");
    EXPECT_EQ(Fixed3(-1.5704), "-1.570");
    EXPECT_EQ(Fixed3(2.1225), "2.123");
    EXPECT_EQ(Fixed3(std::nan("")), "0.000");
}
