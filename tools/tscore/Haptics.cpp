#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Haptics/TS_ThumperCmd.h>
#include <TSCore/Haptics/ThumperCmd.h>
#include <TSCore/TS/Tessara.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::Haptics::ThumperCmd;
    using TSCore::Haptics::TS_BuzzCmd;
    using TSCore::Haptics::TS_FFBCmd;
    using TSCore::Haptics::TS_ThumperCmd;

    namespace
    {
        struct HapticsOptions
        {
            GloveOptions glove;
            std::vector<int> ffb;
            std::vector<int> buzz;
            int thumper = -1;
            double forSeconds = 0.0;
            bool stop = false;
        };

        /// The send went through when the glove took the command as its last one; the
        /// library reports a failed write only by leaving the last commands as they were.
        bool Took(TSCore::HapticGlove& glove, const TS_FFBCmd& ffb, const TS_BuzzCmd& buzz)
        {
            return glove.lastFFB.Equals(ffb) && glove.lastBuzz.Equals(buzz);
        }

        int RunHaptics(const HapticsOptions& options)
        {
            if (!options.stop && options.ffb.empty() && options.buzz.empty() && options.thumper < 0)
                return Fail(exitUsage, "nothing to send: give --ffb, --buzz, --thumper or --stop (see --help)");

            std::shared_ptr<TSCore::HapticGlove> glove;
            if (const int code = SelectGlove(options.glove, glove))
                return code;
            const std::string target = Describe(*glove);

            if (options.stop)
            {
                glove->StopHaptics();
                if (!Took(*glove, TS_FFBCmd::off, TS_BuzzCmd::off))
                    return Fail(exitNotSent, "the stop command could not be sent to " + target);
                std::cout << "Stopped the haptics of " << target << std::endl;
                return exitOk;
            }

            // What is not given is completed from the glove's last commands, as the library does.
            const TS_FFBCmd ffb = options.ffb.empty() ? glove->lastFFB : TS_FFBCmd(options.ffb);
            const TS_BuzzCmd buzz = options.buzz.empty() ? glove->lastBuzz : TS_BuzzCmd(options.buzz);
            const ThumperCmd thumper = options.thumper < 0 ? glove->lastThumper : ThumperCmd(options.thumper);

            // The exoskeleton's thumper plays effect codes, which only its own overload sends;
            // through the common interface its thumper argument is not used.
            const auto tessara = std::dynamic_pointer_cast<TSCore::TS::Tessara>(glove);
            const bool effect = tessara && options.thumper >= 0;
            TS_ThumperCmd code = TS_ThumperCmd::None;
            if (effect)
            {
                if (options.thumper > static_cast<int>(TS_ThumperCmd::Rumble))
                    return Fail(exitUsage, "--thumper on a Tessara glove takes an effect code: 1 tap, 2 double tap, "
                                           "3 knock, 4 pulse, 5 long pulse, 6 rumble (0: none)");
                if (options.thumper > 0)
                    code = static_cast<TS_ThumperCmd>(options.thumper);
                const TSCore::TS::TS_GloveInfo model = tessara->GetGloveModel();
                if (model.firmwareVersion < 4 || model.subFirmwareVersion < 7)
                    Warn("the firmware of " + target + " plays no thumper effects; only the levels are sent");
            }
            auto send = [&] {
                if (effect)
                    return tessara->SendHaptics(ffb, buzz, code);
                glove->SendHaptics(ffb, buzz, thumper);
                return Took(*glove, ffb, buzz);
            };

            InstallInterruptHandler();
            if (!send())
                return Fail(exitNotSent, "the command could not be sent to " + target);
            std::cout << "Sent to " << target << ": ffb " << ffb.ToString() << " buzz " << buzz.ToString();
            if (effect)
                std::cout << " thumper effect " << static_cast<int>(code);
            else if (options.thumper >= 0)
                std::cout << " thumper " << thumper.magnitude;
            if (options.forSeconds <= 0.0)
            {
                std::cout << std::endl;
                return exitOk;
            }
            std::cout << " for " << Fixed(options.forSeconds, 2) << " s" << std::endl;

            // Repeated for the whole time, so that a write the service missed (a restart, a
            // reconnect) does not end the effect early; then switched off explicitly.
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            for (long tick = 1; !Interrupted(); ++tick)
            {
                const double due = 0.05 * static_cast<double>(tick);
                const double now = std::chrono::duration<double>(Clock::now() - start).count();
                if (now >= options.forSeconds)
                    break;
                SleepFor((due < options.forSeconds ? due : options.forSeconds) - now);
                if (Interrupted() || std::chrono::duration<double>(Clock::now() - start).count() >= options.forSeconds)
                    break;
                send();
            }
            glove->StopHaptics();
            if (!Took(*glove, TS_FFBCmd::off, TS_BuzzCmd::off))
                return Fail(exitNotSent, "the stop command could not be sent to " + target);
            std::cout << "Stopped" << std::endl;
            return Interrupted() ? exitInterrupted : exitOk;
        }
    }

    Runner AddHaptics(CLI::App& app)
    {
        auto options = std::make_shared<HapticsOptions>();
        auto* command = app.add_subcommand(
            "haptics", "Send force feedback, vibration and thumper commands to a glove. Levels are percent, thumb "
                       "first; what is not given stays off.");
        AddGloveOptions(*command, options->glove);
        auto* ffb = command->add_option("--ffb", options->ffb, "Force-feedback levels 0-100 of the five fingers.")
                        ->type_name("T,I,M,R,P")
                        ->delimiter(',')
                        ->expected(5)
                        ->check(CLI::Range(0, 100));
        auto* buzz = command->add_option("--buzz", options->buzz, "Vibration levels 0-100 of the five fingers.")
                         ->type_name("T,I,M,R,P")
                         ->delimiter(',')
                         ->expected(5)
                         ->check(CLI::Range(0, 100));
        auto* thumper = command->add_option("--thumper", options->thumper,
                                            "Thumper: on a Kelvo glove the magnitude 0-100; on a Tessara glove an "
                                            "effect code (1 tap, 2 double tap, 3 knock, 4 pulse, 5 long pulse, "
                                            "6 rumble; firmware 4.7 and later).")
                            ->type_name("N")
                            ->check(CLI::Range(0, 100));
        command->add_option("--for", options->forSeconds,
                            "Keep sending every 50 ms for SECONDS, then stop (default: send once).")
            ->type_name("SECONDS")
            ->check(CLI::PositiveNumber);
        auto* forSeconds = command->get_option("--for");
        auto* stop = command->add_flag("--stop", options->stop, "Only switch everything off.");
        stop->excludes(ffb)->excludes(buzz)->excludes(thumper)->excludes(forSeconds);
        return [options] { return RunHaptics(*options); };
    }
}
