#include "ExitCode.h"

#include <cstddef>

#include "HelpFormatter.h"

namespace ToolCommon
{
    namespace
    {
        using namespace ExitCodes;

        struct Row
        {
            int code;
            const char* meaning;
            // What follows the meaning in each tool's --help, in the order of Tool; nullptr
            // where the tool never returns the code.
            const char* in[3];
        };

        constexpr Row table[] = {
            {exitOk,
             "success",
             {"", ": stopped by a signal, after a clean shutdown",
              ": stopped as asked (a signal, \"quit\", --seconds)"}},
            {exitInternal,
             "unexpected internal error",
             {"", ", or the shared memory cannot be created (mirror)", ", or the segments cannot be created"}},
            {exitUsage, "bad or missing arguments", {"", ", or an option this build lacks (--retarget)", ""}},
            {exitNoService,
             "the connection service is not running, or not updating its time stamp",
             {"", nullptr, nullptr}},
            {exitNoGlove,
             "no connected glove found (or none of the requested side or index), or the glove is disconnected",
             {"", nullptr, nullptr}},
            {exitCannotRead,
             "an input file cannot be read, or is not of the expected kind",
             {"", " (--profile, --retarget)", nullptr}},
            {exitCannotWrite, "an output file cannot be written", {"", nullptr, nullptr}},
            {exitNoReading, "no complete sensor reading from the glove", {"", nullptr, nullptr}},
            {exitNotSent, "a haptic command could not be written, or the glove cannot play it", {"", nullptr, nullptr}},
            {exitInvalid, "the pose or calibration would not be valid", {"", nullptr, nullptr}},
            {exitNetwork,
             "the network cannot be used",
             {": the view cannot listen on the address and port given",
              ": DDS could not start (the configuration that CYCLONEDDS_URI names, the network)", nullptr}},
            {exitSegmentsOwned,
             "another connection service owns the shared memory, or took it over",
             {nullptr, " (mirror)", ""}},
            {exitCrashed,
             "the crash that --crash-after asks for: the segments are left behind",
             {nullptr, nullptr, ""}},
            {exitHungUp, "hung up (SIGHUP)", {"", nullptr, nullptr}},
            {exitInterrupted, "interrupted (Ctrl-C) where that loses the result", {"", nullptr, nullptr}},
            {exitTerminated, "terminated (SIGTERM)", {"", nullptr, nullptr}},
        };

        constexpr std::size_t codeColumn = 7; // "  143  "
    }

    std::string ExitCodeHelp(Tool tool)
    {
        std::string out = "Exit codes:";
        for (const Row& row : table)
        {
            const char* detail = row.in[static_cast<std::size_t>(tool)];
            if (detail == nullptr)
                continue;
            std::string code = "  " + std::to_string(row.code);
            code.resize(codeColumn, ' ');
            // Continuations go under the meaning, not under the code.
            const std::string text =
                HelpFormatter::Wrap(std::string(row.meaning) + detail, HelpFormatter::width - codeColumn);
            out += "\n" + code;
            for (const char c : text)
                out += c == '\n' ? "\n" + std::string(codeColumn, ' ') : std::string(1, c);
        }
        return out;
    }
}
