// The console's lines and the exit-code help each tool prints.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "Console.h"
#include "ExitCode.h"

namespace
{
    using namespace ToolCommon;

    std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
}

TEST(Console, LinesCarryTheToolsNameAndFailReturnsTheCode)
{
    testing::internal::CaptureStderr();
    SetConsoleName("probe");
    EXPECT_EQ(Fail(ExitCodes::exitNoGlove, "no glove"), 4);
    Warn("stale");
    Note(std::string("a\0b", 3)); // written whole, not cut at the zero
    SetConsoleName(nullptr);
    Note("unnamed");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, std::string("probe: no glove\nprobe: warning: stale\nprobe: a") + '\0' + "b\n" +
                       program_invocation_short_name + ": unnamed\n");
}

TEST(ExitCodeHelp, EachToolListsItsCodesWithOneMeaningEach)
{
    const std::string cli = ExitCodeHelp(Tool::tscore);
    const std::string bridge = ExitCodeHelp(Tool::bridge);
    const std::string sim = ExitCodeHelp(Tool::simulator);
    for (const std::string* help : {&cli, &bridge, &sim})
    {
        EXPECT_EQ(help->rfind("Exit codes:\n  0    success", 0), 0u) << *help;
        for (const std::string& line : Lines(*help))
            EXPECT_LT(line.size(), 80u) << line;
    }
    // A long meaning continues under itself, not under the code.
    EXPECT_TRUE(Has(cli, "\n  4    no connected glove found (or none of the requested side or index), or\n"
                         "       the glove is disconnected\n"))
        << cli;
    EXPECT_TRUE(Has(cli, "\n  143  terminated (SIGTERM)")) << cli;
    // The same code says the same thing in every tool that returns it; a tool lists only its own.
    const std::string owned = "  11   another connection service owns the shared memory, or took it over";
    EXPECT_TRUE(Has(bridge, owned + "\n       (mirror)")) << bridge;
    EXPECT_TRUE(Has(sim, owned + "\n")) << sim;
    EXPECT_FALSE(Has(cli, "\n  11 ")) << cli;
    EXPECT_TRUE(Has(bridge, "\n  10   the network cannot be used: DDS could not start")) << bridge;
    EXPECT_FALSE(Has(bridge, "\n  3 ") || Has(bridge, "\n  143")) << bridge;
    EXPECT_TRUE(Has(sim, "\n  12   the crash that --crash-after asks for")) << sim;
    EXPECT_FALSE(Has(sim, "\n  4 ") || Has(sim, "\n  5 ")) << sim;
}
