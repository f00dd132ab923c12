// The fixed-rate ticker on a clock the test moves, and the stop signals in a child process.

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>

#include "ExitCode.h"
#include "StopSignal.h"
#include "Ticker.h"

namespace
{
    using namespace std::chrono_literals;
    using ToolCommon::Ticker;
    using Clock = Ticker::Clock;
}

TEST(Ticker, KeepsToItsGridAndSkipsAfterAStall)
{
    const Clock::time_point start{};
    Ticker ticker(10ms, start);
    EXPECT_TRUE(ticker.Due(start));
    // Each pass takes 3 ms and runs 1 ms late: the ticks stay on start + k * 10 ms.
    for (int k = 0; k < 1000; ++k)
        ticker.Advance(start + k * 10ms + 4ms);
    EXPECT_EQ(ticker.Next(), start + 10s) << "no drift";
    EXPECT_FALSE(ticker.Due(start + 10s - 1ns));

    // One tick late by less than a period runs at once: jitter costs no tick.
    ticker.Advance(start + 10s + 15ms);
    EXPECT_EQ(ticker.Next(), start + 10s + 10ms);
    EXPECT_TRUE(ticker.Due(start + 10s + 15ms));
    // A stall of many periods skips to the first tick after it, on the same grid: no burst.
    ticker.Advance(start + 12s + 345ms);
    EXPECT_EQ(ticker.Next(), start + 12s + 350ms);
    ticker.Advance(start + 12s + 350ms);
    EXPECT_EQ(ticker.Next(), start + 12s + 360ms);

    // A rate of 0 (never validated away) ticks every nanosecond; a rate of 60 keeps 60 a second.
    Ticker zero = Ticker::PerSecond(0.0, start);
    zero.Advance(start);
    EXPECT_EQ(zero.Next(), start + 1ns);
    Ticker sixty = Ticker::PerSecond(60.0, start);
    for (int k = 0; k < 600; ++k)
        sixty.Advance(sixty.Next());
    EXPECT_EQ(sixty.Next(), start + 10s);
    EXPECT_EQ(sixty.At(1e300), start + std::chrono::hours(24 * 365)) << "bounded";

    // Wait never returns before the tick, nor after notAfter by more than a slice.
    Ticker real(5ms);
    const auto first = real.Next();
    ASSERT_TRUE(real.Wait());
    EXPECT_GE(Clock::now(), first + 5ms);
    const auto before = Clock::now();
    ASSERT_TRUE(Ticker(1h).Wait(before + 1ms) && ToolCommon::ExitCodeAfterStop(true) == 0);
    EXPECT_LT(Clock::now(), before + 1h);
}

TEST(StopSignals, EndWaitsAndGiveTheirExitCodes)
{
    // In children: the flag cannot be cleared once set.
    const auto stopBy = [](int signal, bool resultLost)
    {
        ToolCommon::InstallStopSignals();
        raise(SIGPIPE); // ignored
        raise(signal);
        // A stop ends a ticker's wait and a sleep at once.
        const bool ended =
            ToolCommon::StopRequested() && !Ticker(1h).Wait() && (ToolCommon::SleepUnlessStopped(1h), true);
        std::_Exit(ended ? ToolCommon::ExitCodeAfterStop(resultLost) : 99);
    };
    using ToolCommon::ExitCodes::ExitCode;
    EXPECT_EXIT(stopBy(SIGTERM, false), testing::ExitedWithCode(ExitCode::exitTerminated), "");
    EXPECT_EXIT(stopBy(SIGHUP, false), testing::ExitedWithCode(ExitCode::exitHungUp), "");
    EXPECT_EXIT(stopBy(SIGINT, true), testing::ExitedWithCode(ExitCode::exitInterrupted), "");
    EXPECT_EXIT(stopBy(SIGINT, false), testing::ExitedWithCode(0), "") << "Ctrl-C that loses nothing";
}
