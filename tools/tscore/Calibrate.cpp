#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Kinematics/Values.h>
#include <TSCore/Util/StrStuff.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "Files.h"
#include "Interrupt.h"
#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::Kinematics::Values;
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        struct CalibrateOptions
        {
            GloveOptions glove;
            std::string out;
            double seconds = 9.0;
        };

        const char* const phases[] = {"open the hand, fingers stretched", "make a fist",
                                      "spread the fingers wide"};
        constexpr int phaseCount = 3;

        // Values at or beyond the range's starting sentinels mean "nothing seen yet".
        constexpr float unseen = 9999.0f;

        /// Per finger "min..max" of the flexion range, in degrees for a glove that reports
        /// angles, in its raw units for one that reports raw readings.
        std::vector<std::string> RangeCells(TSCore::HapticGlove& glove)
        {
            std::vector<Vect3D> lo;
            std::vector<Vect3D> hi;
            glove.GetCalibrationRange(lo, hi);
            const bool angles = glove.GetDeviceType() != TSCore::DeviceType::Kelvo;
            std::vector<std::string> cells;
            for (std::size_t f = 0; f < lo.size() && f < hi.size(); ++f)
            {
                const float a = lo[f].y;
                const float b = hi[f].y;
                if (!(a < unseen && b > -unseen && a <= b))
                {
                    cells.emplace_back("-");
                    continue;
                }
                const float scale = angles ? Values::Rad2Deg : 1.0f;
                cells.push_back(Fixed(a * scale, 0) + ".." + Fixed(b * scale, 0));
            }
            return cells;
        }

        std::string FingerName(std::size_t f)
        {
            return f < static_cast<std::size_t>(TSCore::fingerCount)
                       ? TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(f))
                       : "Finger" + std::to_string(f);
        }

        std::string RangeLine(TSCore::HapticGlove& glove)
        {
            std::string line;
            const auto cells = RangeCells(glove);
            for (std::size_t f = 0; f < cells.size(); ++f)
                line += (f > 0 ? "  " : "") + FingerName(f) + " " + cells[f];
            return line;
        }

        int RunCalibrate(const CalibrateOptions& options)
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            // Starting from a stored profile keeps the other glove family's part of it.
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, glove, profile))
                return code;

            InstallInterruptHandler();
            const bool live = StdoutIsTerminal();
            const std::string title = Describe(*glove);
            const std::string unit = glove->GetDeviceType() == TSCore::DeviceType::Kelvo ? "raw units" : "degrees";
            glove->ResetCalibrationRange();
            long readings = 0;
            LiveBlock block;
            using Clock = std::chrono::steady_clock;
            const double phaseLength = options.seconds / phaseCount;
            for (int phase = 0; phase < phaseCount && !Interrupted(); ++phase)
            {
                const std::string heading = "Step " + std::to_string(phase + 1) + "/" + std::to_string(phaseCount) +
                                            ": " + phases[phase];
                if (!live)
                    std::cout << heading << " (" << Fixed(phaseLength, 1) << " s)" << std::endl;
                const auto start = Clock::now();
                for (long tick = 0; !Interrupted(); ++tick)
                {
                    const double t = std::chrono::duration<double>(Clock::now() - start).count();
                    if (t >= phaseLength)
                        break;
                    std::vector<Vect3D> values;
                    if (glove->GetCalibrationValues(values))
                    {
                        glove->UpdateCalibrationRange(values);
                        ++readings;
                    }
                    if (live)
                    {
                        std::vector<std::string> lines{"Calibrating " + title + "   Ctrl-C cancels",
                                                       heading + "   " + Fixed(phaseLength - t, 1) + " s left",
                                                       "finger  flexion range seen (" + unit + ")"};
                        const auto cells = RangeCells(*glove);
                        for (std::size_t f = 0; f < cells.size(); ++f)
                            lines.push_back(PadRight(FingerName(f), 8) + cells[f]);
                        lines.push_back(std::to_string(readings) + " readings");
                        block.Draw(lines);
                    }
                    const double wait = static_cast<double>(tick + 1) / 30.0 -
                                        std::chrono::duration<double>(Clock::now() - start).count();
                    if (wait > 0.0)
                        SleepFor(wait < phaseLength - t ? wait : phaseLength - t);
                }
                if (!live)
                    std::cout << "  range (" << unit << "): " << RangeLine(*glove) << std::endl;
            }
            block.Finish();
            if (Interrupted())
                return Fail(exitInterrupted, "calibration cancelled; nothing written");
            if (readings == 0)
                return Fail(exitNoReading, "no complete reading from " + title + "; nothing written");

            glove->UpdateCalibration(profile);
            if (!WriteFile(options.out, profile.Serialize()))
                return Fail(exitCannotWrite, "cannot write " + options.out);
            std::cout << "Wrote the " << (profile.isRight ? "right" : "left") << "-hand profile (" << readings
                      << " readings) to " << options.out << std::endl;
            return exitOk;
        }
    }

    Runner AddCalibrate(CLI::App& app)
    {
        auto options = std::make_shared<CalibrateOptions>();
        auto* command = app.add_subcommand(
            "calibrate", "Guided calibration in three equal steps (open the hand, make a fist, spread the fingers), "
                         "showing per finger the flexion range seen as it widens; then writes the calibrated hand "
                         "profile, which watch, pose and render take with --profile.");
        AddGloveOptions(*command, options->glove);
        command->add_option("--out", options->out, "Profile file to write.")->type_name("FILE")->required();
        command->add_option("--seconds", options->seconds, "Length of the whole calibration.")
            ->type_name("S")
            ->capture_default_str()
            ->check(CLI::PositiveNumber);
        command->add_option("--profile", options->glove.profilePath,
                            "Start from this profile instead of the default one; the part of the other glove "
                            "family is kept as it is.")
            ->type_name("FILE");
        return [options] { return RunCalibrate(*options); };
    }
}
