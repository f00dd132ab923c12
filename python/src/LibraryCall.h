#pragma once

// Every call into libTSCore goes through Call or Locked. The library keeps unguarded state
// (the device cache, each glove's last commands and calibration range), so one process-wide
// mutex lets only one thread into it at a time. Call also releases the GIL, so that other
// Python threads run while a reading or a pose computation is under way. Lock order is always
// GIL first, then the mutex, and nothing takes the GIL while holding the mutex.
//
// The library logs with fwrite to the C stdout, which bypasses Python's sys.stdout (and
// pytest's capture of it). While logging is on, each call's log lines are collected and
// written to sys.stdout once the call returns, so they keep their order with Python's output.

#include <pybind11/pybind11.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>

namespace tscore_py
{
    std::mutex& LibraryMutex();

    /// Sends the library's stdout to a buffer for as long as it lives (only when logging is on).
    class LogCapture
    {
    public:
        explicit LogCapture(std::string& sink);
        ~LogCapture();
        LogCapture(const LogCapture&) = delete;
        LogCapture& operator=(const LogCapture&) = delete;

    private:
        std::FILE* saved = nullptr;
    };

    /// Writes what a call logged to sys.stdout; needs the GIL.
    void WriteToPythonStdout(const std::string& text);
    inline void EmitLog(const std::string& text)
    {
        if (!text.empty())
            WriteToPythonStdout(text);
    }

    namespace detail
    {
        template <class F>
        decltype(auto) RunCaptured(F&& f, std::string& log)
        {
            std::lock_guard<std::mutex> lock(LibraryMutex());
            LogCapture capture(log);
            return std::forward<F>(f)();
        }
    }

    /// Runs f under the library mutex with the GIL released. f must not touch Python objects.
    template <class F>
    auto Call(F&& f) -> std::decay_t<decltype(f())>
    {
        std::string log;
        if constexpr (std::is_void_v<decltype(f())>)
        {
            {
                pybind11::gil_scoped_release nogil;
                detail::RunCaptured(std::forward<F>(f), log);
            }
            EmitLog(log);
        }
        else
        {
            auto result = [&]
            {
                pybind11::gil_scoped_release nogil;
                return detail::RunCaptured(std::forward<F>(f), log);
            }();
            EmitLog(log);
            return result;
        }
    }

    /// Runs a short call under the library mutex, keeping the GIL. f must not create Python
    /// objects either: a garbage collection run there could call back into the module.
    template <class F>
    auto Locked(F&& f) -> std::decay_t<decltype(f())>
    {
        std::string log;
        if constexpr (std::is_void_v<decltype(f())>)
        {
            detail::RunCaptured(std::forward<F>(f), log);
            EmitLog(log);
        }
        else
        {
            auto result = detail::RunCaptured(std::forward<F>(f), log);
            EmitLog(log);
            return result;
        }
    }
}
