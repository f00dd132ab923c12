#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Devices/DeviceList.h>
#include <TSCore/Haptics/TS_BuzzCmd.h>
#include <TSCore/Haptics/TS_FFBCmd.h>
#include <TSCore/Haptics/TS_ThumperCmd.h>
#include <TSCore/Haptics/ThumperCmd.h>
#include <TSCore/TS/Tessara.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "RemoteLink.h"
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

        /// Channels of the second glove model: force on thumb to ring, vibration on thumb and index.
        constexpr std::size_t kelvoForceChannels = 4;
        constexpr std::size_t kelvoBuzzChannels = 2;

        /// What to send to one glove, completed from its last commands as the library does.
        struct Command
        {
            TS_FFBCmd ffb = TS_FFBCmd::off;
            TS_BuzzCmd buzz = TS_BuzzCmd::off;
            ThumperCmd thumper = ThumperCmd::off;
            std::shared_ptr<TSCore::TS::Tessara> tessara; ///< set for the exoskeleton glove
            bool kelvo = false;
            bool effectSent = false; ///< the exoskeleton's firmware takes the thumper byte
            TS_ThumperCmd effect = TS_ThumperCmd::None;
        };

        std::string Levels(const std::vector<int>& levels, std::size_t count)
        {
            std::string out;
            for (std::size_t i = 0; i < levels.size() && i < count; ++i)
                out += (i > 0 ? "," : "") + std::to_string(levels[i]);
            return out;
        }

        /// What the glove receives, channel by channel; nothing that is dropped on the way.
        std::string Received(const Command& c)
        {
            if (c.kelvo)
                return "ffb " + Levels(c.ffb.GetLevels(), kelvoForceChannels) + " (thumb to ring)  buzz " +
                       Levels(c.buzz.GetLevels(), kelvoBuzzChannels) + " (thumb, index)  thumper " +
                       std::to_string(c.thumper.magnitude);
            std::string out = "ffb " + Levels(c.ffb.GetLevels(), 5) + "  buzz " + Levels(c.buzz.GetLevels(), 5);
            if (c.effectSent && c.effect != TS_ThumperCmd::None)
                return out + "  thumper effect " + std::to_string(static_cast<int>(c.effect));
            return out + "  thumper none";
        }

        /// Non-zero levels given for channels the second glove model does not have.
        void WarnDroppedChannels(const HapticsOptions& options)
        {
            const auto dropped = [](const std::vector<int>& levels, std::size_t kept)
            {
                for (std::size_t i = kept; i < levels.size(); ++i)
                    if (levels[i] != 0)
                        return true;
                return false;
            };
            if (dropped(options.ffb, kelvoForceChannels))
                Warn("a Kelvo glove has no force feedback on the little finger: its level " +
                     std::to_string(options.ffb[kelvoForceChannels]) + " is not sent");
            if (dropped(options.buzz, kelvoBuzzChannels))
                Warn("a Kelvo glove vibrates on the thumb and index finger only: the levels " +
                     Levels(std::vector<int>(options.buzz.begin() + kelvoBuzzChannels, options.buzz.end()), 3) +
                     " for middle, ring and little finger are not sent");
        }

        /// The exoskeleton's thumper plays effect codes, sent only by firmware that takes them.
        int PrepareEffect(const HapticsOptions& options, Command& c, const std::string& target)
        {
            if (options.thumper > static_cast<int>(TS_ThumperCmd::Rumble))
                return Fail(exitUsage, "--thumper on a Tessara glove takes an effect code: 1 tap, 2 double tap, "
                                       "3 knock, 4 pulse, 5 long pulse, 6 rumble (0: none)");
            const TSCore::TS::TS_GloveInfo model = c.tessara->GetGloveModel();
            c.effectSent = model.firmwareVersion >= 4 && model.subFirmwareVersion >= 7;
            if (options.thumper > 0)
                c.effect = static_cast<TS_ThumperCmd>(options.thumper);
            if (options.thumper > 0 && !c.effectSent)
                Warn("the firmware of " + target + " (" + c.tessara->GetFirmwareString() +
                     ") plays no thumper effects: the glove takes one only when its main version is 4 or more "
                     "and its sub-version 7 or more (so 5.0 to 5.6 take none). Only the levels are sent");
            return exitOk;
        }

        int PrepareCommand(const HapticsOptions& options, TSCore::HapticGlove& glove,
                           const std::shared_ptr<TSCore::HapticGlove>& shared, Command& c)
        {
            c.ffb = options.ffb.empty() ? glove.lastFFB : TS_FFBCmd(options.ffb);
            c.buzz = options.buzz.empty() ? glove.lastBuzz : TS_BuzzCmd(options.buzz);
            c.thumper = options.thumper < 0 ? glove.lastThumper : ThumperCmd(options.thumper);
            c.kelvo = glove.GetDeviceType() == TSCore::DeviceType::Kelvo;
            c.tessara = std::dynamic_pointer_cast<TSCore::TS::Tessara>(shared);
            if (c.kelvo)
                WarnDroppedChannels(options);
            if (c.tessara)
                return PrepareEffect(options, c, Describe(glove));
            return exitOk;
        }

        /// The send went through when the glove took the command as its last one; the
        /// library reports a failed write only by leaving the last commands as they were.
        bool Send(TSCore::HapticGlove& glove, const Command& c)
        {
            if (c.tessara)
                return c.tessara->SendHaptics(c.ffb, c.buzz, c.effect);
            glove.SendHaptics(c.ffb, c.buzz, c.thumper);
            return glove.lastFFB.Equals(c.ffb) && glove.lastBuzz.Equals(c.buzz);
        }

        bool SwitchOff(TSCore::HapticGlove& glove)
        {
            glove.StopHaptics();
            return glove.lastFFB.Equals(TS_FFBCmd::off) && glove.lastBuzz.Equals(TS_BuzzCmd::off);
        }

        /// Repeated for the whole time, so that a write the service missed (a restart, a
        /// reconnect) does not end the effect early; then switched off explicitly.
        int Hold(TSCore::HapticGlove& glove, const Command& c, double seconds, const std::string& target)
        {
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
            for (long tick = 1; !Interrupted() && elapsed() < seconds; ++tick)
            {
                SleepFor(std::min(0.05 * static_cast<double>(tick), seconds) - elapsed());
                if (!Interrupted() && elapsed() < seconds)
                    Send(glove, c);
            }
            if (!SwitchOff(glove))
                return Fail(exitNotSent, "the stop command could not be sent to " + target);
            std::cout << "Stopped" << std::endl;
            return Interrupted() ? InterruptedExitCode() : exitOk;
        }

        int RunHaptics(const HapticsOptions& options)
        {
            if (!options.stop && options.ffb.empty() && options.buzz.empty() && options.thumper < 0)
                return Fail(exitUsage, "nothing to send: give --ffb, --buzz, --thumper or --stop "
                                       "(see tscore haptics --help)");
            if (const int code = CheckRemoteLink(RemoteUse::Haptics))
                return code;
            std::shared_ptr<TSCore::HapticGlove> glove;
            if (const int code = SelectGlove(options.glove, glove))
                return code;
            const std::string target = Describe(*glove);
            // Nobody reads the commands of a service that is gone.
            if (ServiceStatus::Read().condition != ServiceCondition::Running)
                return FailNoService();
            const bool connected = glove->IsConnected();
            if (!connected)
                Warn(target + " is announced but not connected: the command is written, but no glove receives it");

            InstallInterruptHandler();
            int code = exitOk;
            if (options.stop)
            {
                if (!SwitchOff(*glove))
                    return Fail(exitNotSent, "the stop command could not be sent to " + target);
                std::cout << "Stopped the haptics of " << target << std::endl;
            }
            else
            {
                Command command;
                if ((code = PrepareCommand(options, *glove, glove, command)) != exitOk)
                    return code;
                if (!Send(*glove, command))
                    return Fail(exitNotSent, "the command could not be sent to " + target);
                std::cout << "Sent to " << target << ": " << Received(command)
                          << (options.forSeconds > 0.0 ? " for " + Fixed(options.forSeconds, 2) + " s" : "")
                          << std::endl;
                if (options.forSeconds > 0.0)
                    code = Hold(*glove, command, options.forSeconds, target);
            }
            return code == exitOk && !connected ? exitNoGlove : code;
        }
    }

    Runner AddHaptics(CLI::App& app)
    {
        auto options = std::make_shared<HapticsOptions>();
        auto* command = app.add_subcommand(
            "haptics", "Send force feedback, vibration and thumper commands to a glove and print what the glove "
                       "receives. Levels are percent, thumb first; what is not given stays as last sent. A Kelvo "
                       "glove takes force on thumb to ring finger and vibration on thumb and index only.");
        AddGloveOptions(*command, options->glove);
        const auto percent = ToolCommon::WholeBetween(0, 100, "percent");
        auto* ffb = command->add_option("--ffb", options->ffb, "Force-feedback levels 0-100 of the five fingers.")
                        ->type_name("T,I,M,R,P")
                        ->delimiter(',')
                        ->expected(5)
                        ->check(percent);
        auto* buzz = command->add_option("--buzz", options->buzz, "Vibration levels 0-100 of the five fingers.")
                         ->type_name("T,I,M,R,P")
                         ->delimiter(',')
                         ->expected(5)
                         ->check(percent);
        auto* thumper = command
                            ->add_option("--thumper", options->thumper,
                                         "Thumper: on a Kelvo glove the magnitude 0-100; on a Tessara glove an "
                                         "effect code (1 tap, 2 double tap, 3 knock, 4 pulse, 5 long pulse, "
                                         "6 rumble, 0 none), played only by firmware whose main version is 4 or "
                                         "more and whose sub-version is 7 or more (4.7 to 4.9 do, 5.0 to 5.6 "
                                         "do not).")
                            ->type_name("N")
                            ->check(ToolCommon::WholeBetween(0, 100, ""));
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
