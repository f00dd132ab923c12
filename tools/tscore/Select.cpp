#include "Select.h"

#include <vector>

#include <TSCore/Devices/DeviceList.h>

#include "ExitCodes.h"
#include "Files.h"

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
        auto* device = command.add_option("--device", options.device,
                                          "Use glove N in discovery order (as `tscore list` shows it), connected "
                                          "or not.")
                           ->type_name("N")
                           ->check(CLI::NonNegativeNumber);
        right->excludes(left);
        device->excludes(right)->excludes(left);
    }

    void AddProfileOption(CLI::App& command, GloveOptions& options)
    {
        command.add_option("--profile", options.profilePath,
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
            return Fail(exitNoService, "the connection service is not running");
        if (options.device >= 0)
            return Fail(exitNoGlove, "no glove found with index " + std::to_string(options.device) +
                                         " (tscore list shows the gloves)");
        if (options.right || options.left)
            return Fail(exitNoGlove, std::string("no ") + (options.right ? "right" : "left") + " glove found");
        return Fail(exitNoGlove, "no glove found");
    }

    int LoadProfile(const GloveOptions& options, HapticGlove& glove, HandProfile& out)
    {
        const bool right = glove.IsRight();
        if (options.profilePath.empty())
        {
            out = HandProfile::Default(right);
            return exitOk;
        }
        std::string text;
        if (!ReadFile(options.profilePath, text))
            return Fail(exitCannotRead, "cannot read " + options.profilePath);
        out = HandProfile::Deserialize(text);
        // Unreadable text comes back as the default profile; only the default's own text may.
        const HandProfile fallback = HandProfile::Default(out.isRight);
        if (out.Equals(fallback) && text != fallback.Serialize())
            return Fail(exitCannotRead, "cannot read " + options.profilePath + ": no hand profile in it");
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
        return KindName(glove.GetDeviceType()) + " " + glove.GetDeviceID() + " (" + (glove.IsRight() ? "right" : "left") +
               ", " + glove.GetDeviceKey() + ")";
    }

    int SelectGloveAndProfile(const GloveOptions& options, std::shared_ptr<TSCore::HapticGlove>& glove,
                              TSCore::HandProfile& profile)
    {
        if (const int code = SelectGlove(options, glove))
            return code;
        return LoadProfile(options, *glove, profile);
    }
}
