#pragma once

// Which glove a subcommand works on, and the profile it computes poses with.

#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include <TSCore/Devices/HapticGlove.h>
#include <TSCore/Devices/ServiceReader.h>
#include <TSCore/Hand/HandProfile.h>

namespace TSCoreCli
{
    struct GloveOptions
    {
        bool right = false;
        bool left = false;
        int device = -1; ///< the glove's index among the reader's gloves (`tscore list`); -1: not given
        std::string profilePath;
    };

    /// --right, --left and --device N on a subcommand.
    void AddGloveOptions(CLI::App& command, GloveOptions& options);
    /// --profile FILE on a subcommand.
    void AddProfileOption(CLI::App& command, GloveOptions& options);

    /// The glove the options name in the reader's list, or the first connected one; an exit
    /// code (and a message on stderr) when there is none. Refuses a stopped service (one whose
    /// time stamp is 10 s old or more); a stale one is left to the subcommand, which says so.
    int SelectGlove(const GloveOptions& options, const TSCore::ServiceReader& reader,
                    std::shared_ptr<TSCore::HapticGlove>& out);

    /// The position of the glove the options pick now (--device N, the first connected glove
    /// of --right or --left, or the first connected glove); npos when there is none.
    std::size_t PickGlove(const GloveOptions& options, const TSCore::ServiceReader& reader);
    /// Glove n among the reader's gloves (devices of no glove family are not counted), as
    /// `tscore list` numbers them; npos when there are not that many.
    std::size_t NthGlove(const TSCore::ServiceReader& reader, int n);
    /// How `tscore list` numbers the glove at that position (-1: no glove there).
    int GloveNumber(const TSCore::ServiceReader& reader, std::size_t position);
    /// How many gloves the reader lists.
    int GloveCount(const TSCore::ServiceReader& reader);

    /// "no glove with index N: ..." for --device N that names none.
    std::string NoGloveWithIndex(int index);

    /// The profile of --profile, or the default profile of the glove's side; a profile of
    /// the other side is refused.
    int LoadProfile(const GloveOptions& options, TSCore::HapticGlove& glove, TSCore::HandProfile& out);
    /// A profile file; refused with a message that says what the file looks like instead.
    int LoadProfileFile(const std::string& path, TSCore::HandProfile& out);

    /// SelectGlove, then LoadProfile for it: what every pose-computing subcommand starts with.
    int SelectGloveAndProfile(const GloveOptions& options, const TSCore::ServiceReader& reader,
                              std::shared_ptr<TSCore::HapticGlove>& glove, TSCore::HandProfile& profile);

    /// "Tessara" / "Kelvo" / "Beta" / "Unknown".
    std::string KindName(TSCore::DeviceType type);
    /// e.g. "Tessara TS-R-0001 (right, device0)".
    std::string Describe(TSCore::HapticGlove& glove);
}
