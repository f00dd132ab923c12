#include "Select.h"

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
    using TSCore::ServiceReader;

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

    std::size_t NthGlove(const ServiceReader& reader, int n)
    {
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
            if (reader.Info(i).isGlove && n-- == 0)
                return i;
        return ServiceReader::npos;
    }

    int GloveNumber(const ServiceReader& reader, std::size_t position)
    {
        if (position >= reader.DeviceCount() || !reader.Info(position).isGlove)
            return -1;
        int n = 0;
        for (std::size_t i = 0; i < position; ++i)
            n += reader.Info(i).isGlove ? 1 : 0;
        return n;
    }

    int GloveCount(const ServiceReader& reader)
    {
        int n = 0;
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
            n += reader.Info(i).isGlove ? 1 : 0;
        return n;
    }

    std::size_t PickGlove(const GloveOptions& options, const ServiceReader& reader)
    {
        if (options.device >= 0)
            return NthGlove(reader, options.device);
        if (options.right || options.left)
            return reader.FindGlove(options.right);
        for (std::size_t i = 0; i < reader.DeviceCount(); ++i)
            if (reader.Info(i).isGlove && reader.Info(i).connected)
                return i;
        return ServiceReader::npos;
    }

    int SelectGlove(const GloveOptions& options, const ServiceReader& reader, std::shared_ptr<HapticGlove>& out)
    {
        out.reset();
        // Segments left behind by a service that stopped still list devices, connected ones
        // among them: from 10 s on nothing in them counts.
        const ServiceStatus service = ServiceStatus::Of(reader);
        if (service.condition == ServiceCondition::Stopped)
            return service.Refuse();
        const std::size_t at = PickGlove(options, reader);
        if (at != ServiceReader::npos)
        {
            out = reader.Glove(at);
            return exitOk;
        }
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

    int SelectGloveAndProfile(const GloveOptions& options, const ServiceReader& reader,
                              std::shared_ptr<TSCore::HapticGlove>& glove, TSCore::HandProfile& profile)
    {
        if (const int code = SelectGlove(options, reader, glove))
            return code;
        return LoadProfile(options, *glove, profile);
    }
}
