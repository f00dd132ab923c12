#pragma once

// The recording file of `tscore record`, JSON lines:
//   {"format":"tscore-recording","version":1}
//   {"kind":"device","key":"device0","record":"<device record text>"}        one per device
//   {"kind":"data","t":0.005,"key":"device0","text":"<sensor text>"}         in time order
// t is seconds since the start of the recording; a data line is written whenever a
// device's sensor text changed. `tesslink-sim --replay FILE` plays it back.

#include <string>

namespace TSCoreCli
{
    std::string RecordingHeaderLine();
    std::string RecordingDeviceLine(const std::string& key, const std::string& record);
    std::string RecordingDataLine(double t, const std::string& key, const std::string& text);
}
