#include "Select.h"

#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "ExitCodes.h"
#include "Files.h"
#include "OptionChecks.h"
#include "Terminal.h"

namespace TSCoreCli
{
    using TSCore::DeviceList;
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
        {
            if (!DeviceList::TessLinkRunning())
                Warn("the connection service is not running; what it left behind may be stale");
            return exitOk;
        }

        // Segments left behind by a service that crashed still list devices; only a glove
        // that is there counts, so the service is checked after the search, not before.
        if (!DeviceList::TessLinkRunning())
            return FailNoService();
        if (options.device >= 0)
            return Fail(exitNoGlove, "no glove with index " + std::to_string(options.device) +
                                         ": `tscore list` shows the gloves and their indices");
        const std::string which = options.right ? "right " : options.left ? "left " : "";
        return Fail(exitNoGlove, "no connected " + which +
                                     "glove. Gloves may be announced but disconnected: "
                                     "`tscore list` shows them; pick one with --device N");
    }

    int LoadProfileFile(const std::string& path, HandProfile& out)
    {
        std::string text;
        if (!ReadFile(path, text))
            return Fail(exitCannotRead, "cannot read " + path);
        const TextKind kind = KindOfText(text);
        if (kind != TextKind::HandProfile)
            return Fail(exitCannotRead, path + " is not a hand profile: it looks like " + DescribeKind(kind) +
                                            ". `tscore calibrate --out FILE` writes profiles");
        out = HandProfile::Deserialize(text);
        // Unreadable text comes back as the default profile; only the default's own text may.
        const HandProfile fallback = HandProfile::Default(out.isRight);
        if (out.Equals(fallback) && text != fallback.Serialize())
            return Fail(exitCannotRead, "cannot read " + path + ": no hand profile in it");
        return exitOk;
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
        if (out.isRight != right)
            Warn(options.profilePath + " is a " + (out.isRight ? "right" : "left") + "-hand profile, the glove is a " +
                 (right ? "right" : "left") + " glove");
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
