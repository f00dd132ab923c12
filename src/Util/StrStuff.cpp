#include "TSCore/Util/StrStuff.h"

#include <cmath>
#include <stdexcept>

#include "Util/NumberParse.h"

namespace TSCore::Util
{
    const char* const StrStuff::fingerNames[fingerCount] = {"Thumb", "Index", "Middle", "Ring", "Pinky"};

    std::vector<std::string> StrStuff::Split(std::string text, char delim)
    {
        std::vector<std::string> fields;
        if (text.empty())
            return fields;
        std::size_t start = 0;
        while (true)
        {
            const std::size_t pos = text.find(delim, start);
            if (pos == std::string::npos)
            {
                fields.emplace_back(text, start);
                return fields;
            }
            fields.emplace_back(text, start, pos - start);
            start = pos + 1;
        }
    }

    std::string StrStuff::QuickSplit(std::string& text, char delim, int index)
    {
        if (text.empty() || index < 0)
            return std::string();
        std::size_t start = 0;
        for (int i = 0; i < index; ++i)
        {
            const std::size_t pos = text.find(delim, start);
            if (pos == std::string::npos)
                return std::string();
            start = pos + 1;
        }
        const std::size_t end = text.find(delim, start);
        return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    std::string StrStuff::ReplaceChars(std::string text, char from, char to)
    {
        for (char& c : text)
            if (c == from)
                c = to;
        return text;
    }

    // The documented throwing interface over the status readers the library uses inside.
    int StrStuff::ToInt(std::string text, int fallback)
    {
        int value = fallback;
        if (!detail::ReadInt(text, fallback, value))
            throw std::out_of_range(detail::intRangeError);
        return value;
    }

    float StrStuff::ToFloat(std::string text, float fallback)
    {
        float value = fallback;
        if (!detail::ReadFloat(text, fallback, value))
            throw std::out_of_range(detail::floatRangeError);
        return value;
    }

    std::string StrStuff::RoundedDegrees(float radians)
    {
        const float degrees = radians * 57.29578f;
        return std::to_string(detail::SaturatingToInt(std::round(degrees)));
    }

    std::string StrStuff::ToString(Finger finger)
    {
        const int i = static_cast<int>(finger);
        if (i < 0 || i >= fingerCount)
            return std::string();
        return fingerNames[i];
    }
}
