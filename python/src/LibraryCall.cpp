#include "LibraryCall.h"

#include <TSCore/Diagnostics/Debugger.h>

#include <sys/types.h>

namespace py = pybind11;
using TSCore::Diagnostics::Debugger;
using TSCore::Diagnostics::DebugLevel;

namespace tscore_py
{
    std::mutex& LibraryMutex()
    {
        static std::mutex mutex;
        return mutex;
    }

#if defined(__GLIBC__)
    namespace
    {
        // The buffer of the call in progress; only touched under the library mutex.
        std::string* currentSink = nullptr;

        ssize_t WriteToSink(void*, const char* data, size_t size)
        {
            if (currentSink != nullptr)
                currentSink->append(data, size);
            return static_cast<ssize_t>(size);
        }

        std::FILE* CaptureStream()
        {
            static std::FILE* const stream = []
            {
                cookie_io_functions_t functions{};
                functions.write = WriteToSink;
                std::FILE* f = fopencookie(nullptr, "w", functions);
                if (f != nullptr)
                    std::setvbuf(f, nullptr, _IONBF, 0);
                return f;
            }();
            return stream;
        }
    }

    // glibc lets a program assign stdout; the library's logger reads it on every line.
    LogCapture::LogCapture(std::string& sink)
    {
        if (Debugger::debugLevel == DebugLevel::Off)
            return;
        std::FILE* stream = CaptureStream();
        if (stream == nullptr)
            return;
        std::fflush(stdout);
        currentSink = &sink;
        saved = stdout;
        stdout = stream;
    }

    LogCapture::~LogCapture()
    {
        if (saved == nullptr)
            return;
        std::fflush(stdout);
        stdout = saved;
        currentSink = nullptr;
    }
#else
    // Elsewhere the lines go straight to the C stdout.
    LogCapture::LogCapture(std::string&) {}
    LogCapture::~LogCapture() = default;
#endif

    void WriteToPythonStdout(const std::string& text)
    {
        try
        {
            py::object out = py::module_::import("sys").attr("stdout");
            if (out.is_none())
                return;
            out.attr("write")(text);
            out.attr("flush")();
        }
        catch (py::error_already_set&)
        {
            // A closed or broken sys.stdout must not turn a reading into an error.
        }
    }
}
