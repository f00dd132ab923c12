#include <chrono>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "ExitCodes.h"
#include "HapticCommand.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "RemoteLink.h"
#include "Select.h"
#include "StopSignal.h"
#include "Terminal.h"
#include "Ticker.h"

namespace TSCoreCli
{
    namespace
    {
        struct HapticsOptions
        {
            GloveOptions glove;
            std::vector<int> ffb;
            std::vector<int> buzz;
            std::string thumper; ///< a number or an effect name; empty: not given
            double forSeconds = 0.0;
            bool stop = false;
        };

        std::string List(const std::vector<int>& levels, std::size_t from)
        {
            std::string out;
            for (std::size_t i = from; i < levels.size(); ++i)
                out += (i > from ? "," : "") + std::to_string(levels[i]);
            return out;
        }

        /// Counts that fit no glove, refused before anything is opened.
        int CheckCounts(const HapticsOptions& options)
        {
            if (!options.ffb.empty() && options.ffb.size() != 4 && options.ffb.size() != 5)
                return Fail(exitUsage, "--ffb takes 5 levels, thumb first (a Kelvo glove's 4, thumb to ring, will "
                                       "do for it), not " +
                                           std::to_string(options.ffb.size()) + " (see tscore haptics --help)");
            if (!options.buzz.empty() && options.buzz.size() != 2 && options.buzz.size() != 5)
                return Fail(exitUsage, "--buzz takes 5 levels, thumb first (a Kelvo glove's 2, thumb and index, "
                                       "will do for it), not " +
                                           std::to_string(options.buzz.size()) + " (see tscore haptics --help)");
            return exitOk;
        }

        /// The levels given for one kind of channel: the glove's own count, or five.
        int CheckCount(const std::vector<int>& levels, std::size_t channels, const char* option,
                       const std::string& target)
        {
            if (levels.empty() || levels.size() == 5 || levels.size() == channels)
                return exitOk;
            return Fail(exitUsage, target + " takes " + (channels == 5 ? "5" : std::to_string(channels) + " or 5") +
                                       " levels for " + option + ", thumb first, not " + std::to_string(levels.size()));
        }

        /// Levels other than 0 given for channels a Kelvo glove does not have.
        void WarnDropped(const HapticsOptions& options, const TSCoreLink::GloveChannels& channels)
        {
            const auto any = [](const std::vector<int>& levels, std::size_t from)
            {
                for (std::size_t i = from; i < levels.size(); ++i)
                    if (levels[i] != 0)
                        return true;
                return false;
            };
            if (any(options.ffb, channels.ffb))
                Warn("a Kelvo glove has no force feedback on the pinky: its level " + List(options.ffb, channels.ffb) +
                     " is not sent");
            if (any(options.buzz, channels.buzz))
                Warn("a Kelvo glove vibrates on the thumb and index finger only: the levels " +
                     List(options.buzz, channels.buzz) + " for middle, ring and pinky are not sent");
        }

        /// --thumper as the glove takes it: a Tessara's effect code (-1: none), a Kelvo's magnitude.
        int ThumperValue(const HapticsOptions& options, const HapticCommand& command, const std::string& target,
                         int& out)
        {
            const auto effect = HapticCommand::EffectNamed(options.thumper);
            const int number = effect ? -1 : static_cast<int>(std::stod(options.thumper)); // checked: 0 to 100
            if (command.IsKelvo())
            {
                out = number;
                return effect ? Fail(exitUsage, target + " plays no named effects: its thumper takes a magnitude "
                                                         "from 0 to 100")
                              : exitOk;
            }
            const int none = static_cast<int>(TSCore::Haptics::TS_ThumperCmd::None);
            out = effect ? static_cast<int>(*effect) : number;
            if (out == 0 || out == none)
                out = -1;
            if (out <= HapticCommand::LastEffectCode())
                return exitOk;
            return Fail(exitUsage, "--thumper on a Tessara glove takes an effect: a name (" +
                                       HapticCommand::EffectNames() + ") or its code 1 to " +
                                       std::to_string(HapticCommand::LastEffectCode()) + " (0: none), not " +
                                       options.thumper);
        }

        /// What not given stays as the glove's entry holds it: that is what it was last told.
        /// A Tessara's effect plays once, so it is not repeated.
        int Complete(const HapticsOptions& options, const HapticCommand& command, const std::string& target,
                     HapticCommand::Levels& out)
        {
            const TSCoreLink::GloveChannels channels = command.Channels();
            if (const int code = CheckCount(options.ffb, channels.ffb, "--ffb", target))
                return code;
            if (const int code = CheckCount(options.buzz, channels.buzz, "--buzz", target))
                return code;
            if (command.IsKelvo())
                WarnDropped(options, channels);
            HapticCommand::Levels current = command.Off();
            std::string why;
            if (!command.Current(current, why) && !why.empty())
                Warn(target + ": " + why + "; what is not given is sent as 0");
            out = command.Off();
            const auto& ffb = options.ffb.empty() ? current.ffb : options.ffb;
            const auto& buzz = options.buzz.empty() ? current.buzz : options.buzz;
            for (std::size_t i = 0; i < 5; ++i)
            {
                out.ffb[i] = i < ffb.size() ? ffb[i] : 0;
                out.buzz[i] = i < buzz.size() ? buzz[i] : 0;
            }
            if (command.IsKelvo())
                out.thumper = current.thumper;
            return options.thumper.empty() ? exitOk : ThumperValue(options, command, target, out.thumper);
        }

        std::string NoEffects(TSCore::HapticGlove& glove, const std::string& target)
        {
            return target + " plays no thumper effects with its firmware " + glove.GetFirmwareString() +
                   ": a Tessara glove takes one only when its main version is 4 or more and its sub-version 7 "
                   "or more (so 5.0 to 5.6 take none)";
        }

        /// Repeated for the whole time, so that a write the service missed (a restart, a
        /// reconnect) does not end the effect early; then switched off explicitly.
        int Hold(const HapticCommand& command, const HapticCommand::Levels& levels, double seconds,
                 const std::string& target)
        {
            ToolCommon::Ticker resend(std::chrono::milliseconds(50));
            const auto end = resend.At(seconds);
            HapticCommand::Levels held;
            while (resend.Wait(end) && ToolCommon::Ticker::Clock::now() < end)
                command.Send(levels, held);
            if (!command.Send(command.Off(), held))
                return Fail(exitNotSent, "the stop command could not be sent to " + target);
            std::cout << "Stopped" << std::endl;
            return ToolCommon::ExitCodeAfterStop(true);
        }

        int SendCommand(const HapticsOptions& options, TSCore::HapticGlove& glove, const HapticCommand& command,
                        const std::string& target)
        {
            HapticCommand::Levels levels;
            if (const int code = Complete(options, command, target, levels))
                return code;
            const bool effect = !command.IsKelvo() && levels.thumper >= 0;
            const bool levelsGiven = !options.ffb.empty() || !options.buzz.empty();
            // An effect is all a thumper-only command asks for: without it, nothing is sent.
            if (effect && !command.PlaysEffects() && !levelsGiven)
                return Fail(exitNotSent, NoEffects(glove, target) + ". Nothing was sent");
            HapticCommand::Levels held;
            if (!command.Send(levels, held))
                return Fail(exitNotSent, "the command could not be sent to " + target);
            std::cout << "Sent to " << target << ": " << command.Describe(held)
                      << (options.forSeconds > 0.0 ? " for " + Fixed(options.forSeconds, 2) + " s" : "") << std::endl;
            const int code = options.forSeconds > 0.0 ? Hold(command, levels, options.forSeconds, target) : exitOk;
            if (effect && !command.PlaysEffects())
                return code != exitOk ? code
                                      : Fail(exitNotSent, NoEffects(glove, target) + ": only the levels were sent");
            return code;
        }

        int RunHaptics(const HapticsOptions& options)
        {
            if (!options.stop && options.ffb.empty() && options.buzz.empty() && options.thumper.empty())
                return Fail(exitUsage, "nothing to send: give --ffb, --buzz, --thumper or --stop "
                                       "(see tscore haptics --help)");
            if (const int code = CheckCounts(options))
                return code;
            const TSCore::ServiceReader reader;
            const ServiceStatus service = ServiceStatus::Of(reader);
            if (const int code = CheckRemoteLink(RemoteUse::Haptics, service))
                return code;
            std::shared_ptr<TSCore::HapticGlove> glove;
            if (const int code = SelectGlove(options.glove, reader, glove))
                return code;
            const std::string target = Describe(*glove);
            // Nobody reads the commands of a service that is gone.
            if (const int code = service.Refuse())
                return code;
            const bool connected = reader.Info(reader.FindKey(glove->GetDeviceKey())).connected;
            if (!connected)
                Warn(target + " is announced but not connected: the command is written, but no glove receives it");

            ToolCommon::InstallStopSignals();
            const HapticCommand command(glove);
            int code = exitOk;
            if (options.stop)
            {
                HapticCommand::Levels held;
                if (!command.Send(command.Off(), held))
                    return Fail(exitNotSent, "the stop command could not be sent to " + target);
                std::cout << "Stopped the haptics of " << target << std::endl;
            }
            else
            {
                code = SendCommand(options, *glove, command, target);
            }
            return code == exitOk && !connected ? exitNoGlove : code;
        }

        CLI::Validator ThumperCheck()
        {
            return CLI::Validator(
                [](std::string& value)
                {
                    if (HapticCommand::EffectNamed(value))
                        return std::string();
                    const std::string number = ToolCommon::WholeBetween(0, 100, "")(value);
                    return number.empty() ? number
                                          : "must be an effect name (" + HapticCommand::EffectNames() +
                                                ") or a number from 0 to 100, not '" + value + "'";
                },
                "");
        }
    }

    Runner AddHaptics(CLI::App& app)
    {
        auto options = std::make_shared<HapticsOptions>();
        auto* command = app.add_subcommand(
            "haptics", "Send force feedback, vibration and thumper commands to a glove and print what the glove "
                       "receives, as its command entry holds it. Levels are percent, thumb first; what is not "
                       "given stays as it was last sent (by any program), except a Tessara glove's thumper "
                       "effect, which plays once. A Kelvo glove takes force on thumb to ring and vibration on "
                       "thumb and index only.");
        AddGloveOptions(*command, options->glove);
        const auto percent = ToolCommon::WholeBetween(0, 100, "percent");
        auto* ffb = command
                        ->add_option("--ffb", options->ffb,
                                     "Force-feedback levels 0-100: five, thumb to pinky, or a Kelvo glove's four, "
                                     "thumb to ring.")
                        ->type_name("T,I,M,R[,P]")
                        ->delimiter(',')
                        ->expected(1, 5)
                        ->check(percent);
        auto* buzz = command
                         ->add_option("--buzz", options->buzz,
                                      "Vibration levels 0-100: five, thumb to pinky, or a Kelvo glove's two, thumb "
                                      "and index.")
                         ->type_name("T,I[,M,R,P]")
                         ->delimiter(',')
                         ->expected(1, 5)
                         ->check(percent);
        auto* thumper = command
                            ->add_option("--thumper", options->thumper,
                                         "Thumper: on a Kelvo glove the magnitude 0-100; on a Tessara glove an "
                                         "effect, by name (" +
                                             HapticCommand::EffectNames() +
                                             "; any case) or code (1 tap to 6 rumble, 0 none), played only by "
                                             "firmware whose main version is 4 or more and whose sub-version is 7 "
                                             "or more (4.7 to 4.9 do, 5.0 to 5.6 do not: an effect asked of them "
                                             "ends with exit 8, and is not sent when it is all there is to send).")
                            ->type_name("EFFECT|N")
                            ->check(ThumperCheck());
        auto* forSeconds = command
                               ->add_option("--for", options->forSeconds,
                                            "Keep sending every 50 ms for SECONDS, then stop (default: send once).")
                               ->type_name("SECONDS")
                               ->check(ToolCommon::MoreThan(0.0, "seconds"));
        auto* stop = command->add_flag("--stop", options->stop, "Only switch everything off.");
        stop->excludes(ffb)->excludes(buzz)->excludes(thumper)->excludes(forSeconds);
        return [options] { return RunHaptics(*options); };
    }
}
