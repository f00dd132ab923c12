#include "Select.h"

#include <vector>

#include "ExitCodes.h"
#include "FileKind.h"
#include "LiveState.h"
#include "OptionChecks.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::DeviceType;
    using TSCore::HandProfile;
    using TSCore::HapticGlove;

    void AddGloveOptions(CLI::App& command, GloveOptions& options)
    {
        auto* right = command.add_flag("--right", options.right, "Use the first connected right-hand glove.");
        auto* left = command.add_flag("--left", options.left, "Use the first connected left-hand glove.");
        auto* device = command
                           .add_option("--device", options.device,
                                       "Use glove N in discovery order (as `tscore list` shows it), connected "
                                       "or not.")
                           ->type_name("N")
                           ->check(ToolCommon::WholeBetween(0, 65535, "(the index column of `tscore list`)"));
        right->excludes(left);
        device->excludes(right)->excludes(left);
    }

    void AddProfileOption(CLI::App& command, GloveOptions& options)
    {
        command
            .add_option("--profile", options.profilePath,
                        "Hand profile written by `tscore calibrate` (default: the uncalibrated profile of the "
                        "glove's side).")
            ->type_name("FILE");
    }

    int SelectGlove(const GloveOptions& options, std::shared_ptr<HapticGlove>& out)
    {
        out.reset();
        // Segments left behind by a service that stopped still list devices, connected ones
        // among them: from 10 s on nothing in them counts.
        const ServiceStatus service = ServiceStatus::Read();
        if (service.condition == ServiceCondition::Stopped)
            return service.Refuse();
        if (options.device >= 0)
        {
            const std::vector<std::shared_ptr<HapticGlove>> gloves = HapticGlove::GetHapticGloves();
            if (static_cast<std::size_t>(options.device) < gloves.size())
                out = gloves[static_cast<std::size_t>(options.device)];
        }
        else if (options.right || options.left)
        {
            HapticGlove::GetGlove(options.right, out);
        }
        else
        {
            HapticGlove::GetGlove(out);
        }
        if (out)
            return exitOk;
        if (service.condition != ServiceCondition::Running)
            return service.Refuse();
        if (options.device >= 0)
            return Fail(exitNoGlove, NoGloveWithIndex(options.device));
        const std::string which = options.right ? "right " : options.left ? "left " : "";
        return Fail(exitNoGlove, "no connected " + which +
                                     "glove. Gloves may be announced but disconnected: "
                                     "`tscore list` shows them; pick one with --device N");
    }

    std::string NoGloveWithIndex(int index)
    {
        return "no glove with index " + std::to_string(index) + ": `tscore list` shows the gloves and their indices";
    }

    int LoadProfileFile(const std::string& path, HandProfile& out)
    {
        std::string error;
        return ToolCommon::LoadProfileFile(path, out, error) ? exitOk : Fail(exitCannotRead, error);
    }

    int LoadProfile(const GloveOptions& options, HapticGlove& glove, HandProfile& out)
    {
        const bool right = glove.IsRight();
        if (options.profilePath.empty())
        {
            out = HandProfile::Default(right);
            return exitOk;
        }
        if (const int code = LoadProfileFile(options.profilePath, out))
            return code;
        // A profile of the other hand maps every reading mirrored: no pose from it is right.
        if (out.isRight != right)
            return Fail(exitCannotRead, options.profilePath + " is a profile for the " +
                                            (out.isRight ? "right" : "left") + " hand, and " + Describe(glove) +
                                            " is a " + (right ? "right" : "left") + "-hand glove. Give a " +
                                            (right ? "right" : "left") +
                                            "-hand profile, or calibrate one: tscore calibrate --device N --out FILE");
        return exitOk;
    }

    std::string KindName(DeviceType type)
    {
        switch (type)
        {
        case DeviceType::Tessara:
            return "Tessara";
        case DeviceType::Kelvo:
            return "Kelvo";
        case DeviceType::BetaDevice:
            return "Beta";
        case DeviceType::Unknown:
            break;
        }
        return "Unknown";
    }

    std::string Describe(HapticGlove& glove)
    {
        return KindName(glove.GetDeviceType()) + " " + Printable(glove.GetDeviceID()) + " (" +
               (glove.IsRight() ? "right" : "left") + ", " + glove.GetDeviceKey() + ")";
    }

    int SelectGloveAndProfile(const GloveOptions& options, std::shared_ptr<TSCore::HapticGlove>& glove,
                              TSCore::HandProfile& profile)
    {
        if (const int code = SelectGlove(options, glove))
            return code;
        return LoadProfile(options, *glove, profile);
    }
}
