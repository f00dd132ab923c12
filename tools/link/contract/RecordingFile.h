#pragma once

// The recording file of `tscore record`, played back by `tesslink-sim --replay` and drawn by
// `tscore render --from`. JSON lines:
//   {"format":"tscore-recording","version":1}
//   {"kind":"device","key":"device0","record":"<device record text>"}        one per device
//   {"kind":"data","t":0.005,"key":"device0","text":"<sensor text>"}         in time order
// t is seconds since the start of the recording; a data line is written whenever a device's
// sensor text changed.

#include <cstddef>
#include <string>
#include <vector>

namespace TSCoreLink
{
    class RecordingFile
    {
    public:
        struct Device
        {
            std::string key;    ///< key in the recording, e.g. "device3"
            std::string record; ///< record text as recorded
        };
        struct Frame
        {
            double t = 0.0;
            std::size_t device = 0; ///< index into devices
            std::string text;
        };

        std::vector<Device> devices;
        std::vector<Frame> frames; ///< sorted by time
        /// Set when a damaged last line (a recording cut off while it was written) was left out.
        std::string warning;

        /// False with a one-line reason ("name:line: what") when the text is not a recording
        /// or a complete line is wrong. A last line that is not JSON is left out with a warning.
        static bool Parse(const std::string& text, const std::string& name, RecordingFile& out, std::string& error);
        /// The same from a file; says so when the path is a directory or cannot be read.
        static bool Load(const std::string& path, RecordingFile& out, std::string& error);
        /// Whether the text starts with a recording's header line.
        static bool LooksLikeOne(const std::string& text);

        static std::string HeaderLine();
        static std::string DeviceLine(const std::string& key, const std::string& record);
        static std::string DataLine(double t, const std::string& key, const std::string& text);
    };
}
