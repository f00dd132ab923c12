#pragma once

#include <gtest/gtest.h>

#include <string>

#include <TSCore/Diagnostics/Debugger.h>

namespace TSCoreTest
{
    /// Raises the log threshold for the scope and captures what the library prints.
    class LogCapture
    {
    public:
        explicit LogCapture(TSCore::Diagnostics::DebugLevel level = TSCore::Diagnostics::DebugLevel::Verbose)
            : previous(TSCore::Diagnostics::Debugger::debugLevel)
        {
            TSCore::Diagnostics::Debugger::debugLevel = level;
            testing::internal::CaptureStdout();
        }
        ~LogCapture()
        {
            if (!taken)
                testing::internal::GetCapturedStdout();
            TSCore::Diagnostics::Debugger::debugLevel = previous;
        }
        LogCapture(const LogCapture&) = delete;
        LogCapture& operator=(const LogCapture&) = delete;

        /// Everything printed since construction; ends the capture.
        std::string Take()
        {
            taken = true;
            return testing::internal::GetCapturedStdout();
        }

    private:
        TSCore::Diagnostics::DebugLevel previous;
        bool taken = false;
    };
}
