#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Kinematics/Values.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "JointNames.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "Reading.h"
#include "Select.h"
#include "StopSignal.h"
#include "Terminal.h"
#include "TextFile.h"
#include "Ticker.h"

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
            double pause = 2.0;
            bool allowPartial = false;
            bool force = false;
        };

        const char* const phases[] = {"open the hand, fingers stretched", "make a fist", "spread the fingers wide"};
        constexpr int phaseCount = 3;

        // Where the steps are announced: standard error when the profile goes to standard output.
        std::ostream* progress = &std::cout;

        // Values at or beyond the range's starting sentinels mean "nothing seen yet".
        constexpr float unseen = 9999.0f;

        // The narrowest range a finger's calibration values may span: a narrower one maps the
        // finger's whole motion onto almost nothing (zero width: onto NaN). Degrees of summed
        // linkage flexion for a Tessara glove (whose range starts 60 degrees wide), raw
        // readings for a Kelvo glove (its own minimum calibration range).
        constexpr float minimumTessaraRangeDegrees = 10.0f;
        constexpr float minimumKelvoRangeReadings = 200.0f;

        /// How a glove's calibration values read: angles shown in degrees, or raw readings.
        struct Units
        {
            float scale = 1.0f;   ///< from the library's values to the shown ones
            float minimum = 0.0f; ///< narrowest accepted range, in shown units
            std::string name;
            std::string meaning;
        };

        Units UnitsOf(TSCore::HapticGlove& glove)
        {
            if (glove.GetDeviceType() == TSCore::DeviceType::Kelvo)
                return {1.0f, minimumKelvoRangeReadings, "raw readings",
                        "raw sensor readings (0 to 1000 before calibration)"};
            return {Values::Rad2Deg, minimumTessaraRangeDegrees, "degrees",
                    "degrees of flexion summed over each finger's linkage (the glove's angles)"};
        }

        struct Range
        {
            float low = 0.0f;
            float high = 0.0f;
            bool seen = false;
        };

        /// Per finger the flexion range seen (y); for the thumb also its spread range (z).
        std::vector<std::pair<Range, Range>> Ranges(TSCore::HapticGlove& glove, const Units& units)
        {
            std::vector<Vect3D> lo;
            std::vector<Vect3D> hi;
            glove.GetCalibrationRange(lo, hi);
            const auto range = [&](float a, float b) {
                return a < unseen && b > -unseen && a <= b ? Range{a * units.scale, b * units.scale, true} : Range{};
            };
            std::vector<std::pair<Range, Range>> out;
            for (std::size_t f = 0; f < lo.size() && f < hi.size(); ++f)
                out.emplace_back(range(lo[f].y, hi[f].y), f == 0 ? range(lo[f].z, hi[f].z) : Range{});
            return out;
        }

        std::string RangeText(const Range& r)
        {
            return r.seen ? Fixed(r.low, 0) + ".." + Fixed(r.high, 0) : std::string("-");
        }

        /// Fingers whose range is narrower than the minimum (a NaN bound counts as narrow).
        std::vector<std::size_t> NarrowFingers(TSCore::HapticGlove& glove, const Units& units)
        {
            const auto narrow = [&](const Range& r) { return !(r.high - r.low >= units.minimum); };
            std::vector<std::size_t> fingers;
            const auto ranges = Ranges(glove, units);
            for (std::size_t f = 0; f < ranges.size(); ++f)
                if (narrow(ranges[f].first) || (f == 0 && ranges[f].second.seen && narrow(ranges[f].second)))
                    fingers.push_back(f);
            return fingers;
        }

        std::vector<std::string> RangeLines(TSCore::HapticGlove& glove, const Units& units)
        {
            std::vector<std::string> lines{"finger  flexion range seen (" + units.name + ")"};
            const auto ranges = Ranges(glove, units);
            for (std::size_t f = 0; f < ranges.size(); ++f)
                lines.push_back(PadRight(FingerName(f), 8) + RangeText(ranges[f].first) +
                                (ranges[f].second.seen ? "   spread " + RangeText(ranges[f].second) : ""));
            return lines;
        }

        /// The "get ready" pause before a step, so that the hand is in place when it starts.
        void GetReady(int phase, double pause, LiveBlock* block)
        {
            if (pause <= 0.0)
                return;
            const std::string next = std::string("Get ready: ") + phases[phase];
            if (block == nullptr)
                *progress << next << " (starts in " << Fixed(pause, 1) << " s)" << std::endl;
            using Clock = ToolCommon::Ticker::Clock;
            ToolCommon::Ticker redraw(std::chrono::milliseconds(100));
            const auto end = redraw.At(pause);
            for (auto now = Clock::now(); now < end && !ToolCommon::StopRequested(); now = Clock::now())
            {
                const double left = std::chrono::duration<double>(end - now).count();
                if (block != nullptr)
                    block->Draw({next, "starts in " + Fixed(left, 1) + " s   Ctrl-C cancels"}, TerminalSizeNow(),
                                TerminalResized());
                redraw.Wait(end);
            }
        }

        /// One step: reads the glove 30 times a second for `length` seconds (every complete
        /// reading widens its calibration range); the readings taken.
        long RunStep(TSCore::ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                     const TSCore::HandProfile& profile, int phase, double length, const Units& units, LiveBlock* block)
        {
            const std::string heading =
                "Step " + std::to_string(phase + 1) + "/" + std::to_string(phaseCount) + ": " + phases[phase];
            if (block == nullptr)
                *progress << heading << " (" << Fixed(length, 1) << " s)" << std::endl;
            using Clock = ToolCommon::Ticker::Clock;
            const auto start = Clock::now();
            const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
            ToolCommon::Ticker ticker = ToolCommon::Ticker::PerSecond(30.0, start);
            const auto end = ticker.At(length);
            long readings = 0;
            TSCore::HandPose pose;
            while (!ToolCommon::StopRequested() && Clock::now() < end)
            {
                reader.Update();
                if (ReadGlove(reader, glove, profile, pose).complete)
                    ++readings;
                if (block != nullptr)
                {
                    std::vector<std::string> lines{"Calibrating " + Describe(*glove) + "   Ctrl-C cancels",
                                                   heading + "   " + Fixed(length - elapsed(), 1) + " s left",
                                                   "Ranges are in " + units.meaning};
                    for (const auto& line : RangeLines(*glove, units))
                        lines.push_back(line);
                    block->Draw(lines, TerminalSizeNow(), TerminalResized());
                }
                ticker.Wait(end);
            }
            if (block == nullptr)
                for (const auto& line : RangeLines(*glove, units))
                    *progress << "  " << line << "\n";
            return readings;
        }

        std::string Names(const std::vector<std::size_t>& fingers)
        {
            std::string out;
            for (const std::size_t f : fingers)
                out += (out.empty() ? "" : ", ") + FingerName(f);
            return out;
        }

        /// Writes the range into the profile; with allowPartial, fingers that did not move keep
        /// what the profile held before.
        int ApplyRanges(const CalibrateOptions& options, TSCore::HapticGlove& glove, const Units& units,
                        TSCore::HandProfile& profile)
        {
            const std::vector<std::size_t> narrow = NarrowFingers(glove, units);
            const std::string rule = "a range narrower than " + Fixed(units.minimum, 0) + " " + units.name;
            if (!narrow.empty() && !options.allowPartial)
                return Fail(exitInvalid,
                            Names(narrow) + (narrow.size() == 1 ? " has " : " have ") + rule +
                                ": did they move? Nothing written. Calibrate again moving every "
                                "finger, or give --allow-partial to calibrate only the fingers that moved");
            if (narrow.size() >= static_cast<std::size_t>(TSCore::fingerCount))
                return Fail(exitInvalid, "no finger moved (every finger has " + rule + "); nothing written");
            const TSCore::HandProfile before = profile;
            glove.UpdateCalibration(profile);
            const bool kelvo = glove.GetDeviceType() == TSCore::DeviceType::Kelvo;
            auto& sets = (kelvo ? profile.kelvoProfile.interpolator : profile.tsProfile.interpolator).interpolationSets;
            const auto& kept =
                (kelvo ? before.kelvoProfile.interpolator : before.tsProfile.interpolator).interpolationSets;
            for (const std::size_t f : narrow)
                if (f < sets.size() && f < kept.size())
                    sets[f] = kept[f];
            if (!narrow.empty())
                Warn(Names(narrow) + " did not move enough (" + rule + ") and keep their earlier calibration");
            return exitOk;
        }

        /// A glove whose readings are not current would calibrate the profile to nothing. A pose
        /// the starting profile makes invalid is what calibrating mends, so that one is fine.
        int CheckGlove(TSCore::ServiceReader& reader, const std::shared_ptr<TSCore::HapticGlove>& glove,
                       const TSCore::HandProfile& profile)
        {
            TSCore::HandPose pose;
            const GloveState state = FirstReading(reader, glove, profile, pose);
            return std::string(state.Word()) == "invalid" ? exitOk : state.Refuse(Describe(*glove));
        }

        int RunCalibrate(const CalibrateOptions& options)
        {
            if (const int code = RefuseExisting(options.out, options.force))
                return code;
            std::string why;
            if (!ToolCommon::CanWrite(options.out, why))
                return Fail(exitCannotWrite, "cannot write " + options.out + ": " + why + ". Nothing was calibrated");
            TSCore::ServiceReader reader;
            std::shared_ptr<TSCore::HapticGlove> glove;
            // Starting from a stored profile keeps the other glove family's part of it.
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, reader, glove, profile))
                return code;
            if (const int code = CheckGlove(reader, glove, profile))
                return code;

            ToolCommon::InstallStopSignals();
            WatchTerminalSize();
            const Units units = UnitsOf(*glove);
            LiveBlock live;
            LiveBlock* block = StdoutIsTerminal() && options.out != "-" ? &live : nullptr;
            progress = options.out == "-" ? &std::cerr : &std::cout;
            if (block == nullptr)
                *progress << "Calibrating " << Describe(*glove) << "\nRanges are in " << units.meaning << std::endl;
            glove->ResetCalibrationRange();
            long readings = 0;
            for (int phase = 0; phase < phaseCount && !ToolCommon::StopRequested(); ++phase)
            {
                GetReady(phase, options.pause, block);
                readings += RunStep(reader, glove, profile, phase, options.seconds / phaseCount, units, block);
            }
            live.Finish();
            if (ToolCommon::StopRequested())
                return Fail(ToolCommon::ExitCodeAfterStop(true), "calibration cancelled; nothing written");
            if (readings == 0)
                return Fail(exitNoReading, "no complete reading from " + Describe(*glove) +
                                               "; nothing written. Is it connected? `tscore list` shows its state");
            if (const int code = ApplyRanges(options, *glove, units, profile))
                return code;
            if (!ToolCommon::WriteTextFile(options.out, profile.Serialize(), why))
                return Fail(exitCannotWrite, "cannot write " + options.out + ": " + why);
            if (options.out != "-")
                std::cout << "Wrote the " << (profile.isRight ? "right" : "left") << "-hand profile (" << readings
                          << " readings) to " << options.out << std::endl;
            return exitOk;
        }
    }

    Runner AddCalibrate(CLI::App& app)
    {
        auto options = std::make_shared<CalibrateOptions>();
        auto* command = app.add_subcommand(
            "calibrate",
            "Guided calibration in three equal steps (open the hand, make a fist, spread the fingers), each after a "
            "short pause to get ready, showing per finger the range of calibration values seen as it widens "
            "(degrees of summed linkage flexion on a Tessara glove, raw readings on a Kelvo glove); then writes "
            "the calibrated hand profile, which watch, pose and render take with --profile. A finger whose range "
            "stays narrower than 10 degrees (Tessara) or 200 raw readings (Kelvo) would make every pose invalid: "
            "calibrate then writes nothing and names the finger, unless --allow-partial is given.");
        AddGloveOptions(*command, options->glove);
        command
            ->add_option("--out", options->out,
                         "Profile file to write ('-': standard output); an existing one is kept unless --force "
                         "is given.")
            ->type_name("FILE")
            ->required();
        command->add_option("--seconds", options->seconds, "Length of the three steps together.")
            ->type_name("S")
            ->capture_default_str()
            ->check(ToolCommon::MoreThan(0.0, "seconds"));
        command->add_option("--pause", options->pause, "Seconds to get ready before each step.")
            ->type_name("S")
            ->capture_default_str()
            ->check(ToolCommon::Between(0.0, 60.0, "seconds"));
        command->add_flag("--force", options->force, "Replace the profile file when it exists.");
        command->add_flag("--allow-partial", options->allowPartial,
                          "Write the fingers that moved; the others keep what the starting profile holds.");
        command
            ->add_option("--profile", options->glove.profilePath,
                         "Start from this profile instead of the default one; the part of the other glove "
                         "family is kept as it is.")
            ->type_name("FILE");
        return [options] { return RunCalibrate(*options); };
    }
}
