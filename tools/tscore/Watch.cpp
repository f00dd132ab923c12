#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <TSCore/Kinematics/Values.h>
#include <TSCore/Util/StrStuff.h>

#include "Commands.h"
#include "ExitCodes.h"
#include "Interrupt.h"
#include "Select.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::HandPose;
    using TSCore::Kinematics::Quat;
    using TSCore::Kinematics::Values;
    using TSCore::Kinematics::Vect3D;

    namespace
    {
        struct WatchOptions
        {
            GloveOptions glove;
            double seconds = 0.0; ///< 0: until interrupted
            double rate = 10.0;
        };

        struct Frame
        {
            double t = 0.0;
            bool complete = false;
            HandPose pose;
            bool imu = false;
            Vect3D euler; ///< degrees
        };

        const char* const thumbJoints[] = {"CMC", "MCP", "IP"};
        const char* const fingerJoints[] = {"MCP", "PIP", "DIP"};

        std::string FingerLine(const HandPose& pose, int finger)
        {
            const auto f = static_cast<std::size_t>(finger);
            const float flexion = pose.GetNormalizedFlexion(static_cast<TSCore::Finger>(finger), false);
            std::string line = PadRight(TSCore::Util::StrStuff::ToString(static_cast<TSCore::Finger>(finger)), 7) +
                               Bar(flexion, 20) + " " + PadRight(Fixed(flexion, 2), 5);
            if (f >= pose.handAngles.size())
                return line;
            const auto& joints = pose.handAngles[f];
            for (std::size_t j = 0; j < joints.size() && j < 3; ++j)
            {
                const Vect3D d = Values::Degrees(joints[j]);
                line += "  " + PadRight(finger == 0 ? thumbJoints[j] : fingerJoints[j], 3) + Padded(d.x, 5) +
                        Padded(d.y, 5) + Padded(d.z, 5);
            }
            return line;
        }

        std::vector<std::string> LiveLines(const std::string& title, const Frame& frame)
        {
            std::vector<std::string> lines;
            lines.push_back(title + "   t=" + Fixed(frame.t, 1) + " s   Ctrl-C stops");
            lines.push_back(frame.complete ? "" : "(no complete reading: showing the idle hand)");
            lines.push_back("finger flexion                      joint  twist flex spread (degrees)");
            for (int f = 0; f < TSCore::fingerCount; ++f)
                lines.push_back(FingerLine(frame.pose, f));
            lines.push_back(frame.imu ? "orientation (Euler, degrees): x " + Fixed(frame.euler.x, 1) + "  y " +
                                            Fixed(frame.euler.y, 1) + "  z " + Fixed(frame.euler.z, 1)
                                      : "orientation: none read");
            return lines;
        }

        std::string PlainLine(const Frame& frame)
        {
            std::string line = "t=" + Fixed(frame.t, 2);
            if (!frame.complete)
                return line + " no complete reading";
            static const char initials[] = "TIMRP";
            const std::vector<float> flexion = frame.pose.GetNormalizedFlexion(false);
            for (std::size_t f = 0; f < flexion.size(); ++f)
                line += std::string(" ") + initials[f] + " " + Fixed(flexion[f], 2);
            if (frame.imu)
                line += " euler " + Fixed(frame.euler.x, 1) + " " + Fixed(frame.euler.y, 1) + " " + Fixed(frame.euler.z, 1);
            else
                line += " euler none";
            return line;
        }

        int RunWatch(const WatchOptions& options)
        {
            std::shared_ptr<TSCore::HapticGlove> glove;
            TSCore::HandProfile profile = TSCore::HandProfile::Default(true);
            if (const int code = SelectGloveAndProfile(options.glove, glove, profile))
                return code;

            InstallInterruptHandler();
            const bool live = StdoutIsTerminal();
            const std::string title = Describe(*glove);
            LiveBlock block;
            using Clock = std::chrono::steady_clock;
            const auto start = Clock::now();
            const double period = 1.0 / options.rate;
            for (long frameNumber = 0; !Interrupted(); ++frameNumber)
            {
                Frame frame;
                frame.t = std::chrono::duration<double>(Clock::now() - start).count();
                if (options.seconds > 0.0 && frame.t >= options.seconds)
                    break;
                frame.complete = glove->GetHandPose(profile, frame.pose);
                Quat q;
                frame.imu = glove->GetIMURotation(q);
                frame.euler = Values::Degrees(q.ToEuler());
                if (live)
                    block.Draw(LiveLines(title, frame));
                else
                    std::cout << PlainLine(frame) << "\n" << std::flush;
                if (!std::cout)
                    break; // the reader went away
                // Frames keep to a fixed schedule rather than drifting by the time each takes.
                const double next = static_cast<double>(frameNumber + 1) * period;
                const double now = std::chrono::duration<double>(Clock::now() - start).count();
                double wait = next - now;
                if (options.seconds > 0.0 && options.seconds - now < wait)
                    wait = options.seconds - now;
                if (wait > 0.0)
                    SleepFor(wait);
            }
            block.Finish();
            return exitOk;
        }
    }

    Runner AddWatch(CLI::App& app)
    {
        auto options = std::make_shared<WatchOptions>();
        auto* command = app.add_subcommand(
            "watch", "Live view of a glove's hand pose: per finger a bar of normalised flexion and the joint angles "
                     "in degrees, and the hand's orientation as Euler angles. Redrawn in place on a terminal; one "
                     "line per frame otherwise (t=SECONDS T I M R P flexion euler X Y Z).");
        AddGloveOptions(*command, options->glove);
        AddProfileOption(*command, options->glove);
        command->add_option("--seconds", options->seconds, "Stop after SECONDS (default: until Ctrl-C).")
            ->type_name("S")
            ->check(CLI::PositiveNumber);
        command->add_option("--rate", options->rate, "Frames per second.")
            ->type_name("HZ")
            ->capture_default_str()
            ->check(CLI::Range(0.5, 200.0));
        return [options] { return RunWatch(*options); };
    }
}
