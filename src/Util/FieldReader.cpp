#include "Util/FieldReader.h"

#include <algorithm>
#include <stdexcept>

#include "Util/SplitView.h"

namespace TSCore::Util::detail
{
    void SplitBlockViews(std::string_view text, std::vector<std::string_view>& out)
    {
        out.clear();
        // Depth is counted in a wide type: a text of billions of '{' cannot overflow it.
        std::size_t depth = 0;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] == '{')
            {
                if (depth == 0)
                    start = i + 1;
                ++depth;
            }
            else if (text[i] == '}' && depth > 0)
            {
                if (--depth == 0)
                    out.push_back(text.substr(start, i - start));
            }
        }
    }

    ParseStatus ReadComponents(std::string_view text, char delim, float* values, std::size_t count)
    {
        std::string_view parts[4];
        if (text.empty() || count > 4)
            return ParseStatus::Invalid;
        std::size_t found = 0;
        std::size_t start = 0;
        while (found < count)
        {
            const std::size_t end = text.find(delim, start);
            parts[found++] = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
        if (found < count)
            return ParseStatus::Invalid;
        for (std::size_t i = 0; i < count; ++i)
            if (!ReadFloat(parts[i], 0.0f, values[i]))
                return ParseStatus::OutOfRange;
        return ParseStatus::Ok;
    }

    bool OkOrThrow(ParseStatus status)
    {
        if (status == ParseStatus::OutOfRange)
            throw std::out_of_range(floatRangeError);
        return status == ParseStatus::Ok;
    }

    FieldReader FieldReader::Blocks(std::string_view text)
    {
        FieldReader reader;
        SplitBlockViews(text, reader.fields);
        return reader;
    }

    FieldReader FieldReader::Split(std::string_view text, char delim)
    {
        FieldReader reader;
        SplitViews(text, delim, reader.fields);
        return reader;
    }

    FieldReader FieldReader::Whole(std::string_view text)
    {
        FieldReader reader;
        reader.fields.push_back(text);
        return reader;
    }

    int FieldReader::Int(std::size_t i, int fallback)
    {
        int value = fallback;
        if (Ok() && !ReadInt(View(i), fallback, value))
        {
            Fail(intRangeError);
            value = fallback;
        }
        return value;
    }

    float FieldReader::Float(std::size_t i, float fallback)
    {
        float value = fallback;
        Number(View(i), value);
        return value;
    }

    ParseStatus FieldReader::Components(std::string_view text, char delim, float* values, std::size_t count)
    {
        if (!Ok())
            return ParseStatus::Invalid;
        float read[4];
        const ParseStatus status = ReadComponents(text, delim, read, count);
        if (status == ParseStatus::OutOfRange)
            Fail(floatRangeError);
        if (status == ParseStatus::Ok)
            std::copy(read, read + count, values);
        return status;
    }

    void FieldReader::Number(std::string_view text, float& out)
    {
        const float fallback = out;
        if (Ok() && !ReadFloat(text, fallback, out))
        {
            Fail(floatRangeError);
            out = fallback;
        }
    }

    void ItemReader<std::vector<float>>::Read(FieldReader& reader, std::string_view text, std::vector<float>& out)
    {
        std::vector<std::string_view> parts;
        SplitViews(text, ';', parts);
        out.assign(parts.size(), 0.0f);
        for (std::size_t i = 0; i < parts.size(); ++i)
            reader.Number(parts[i], out[i]);
    }

    void ItemReader<std::vector<bool>>::Read(FieldReader&, std::string_view text, std::vector<bool>& out)
    {
        out.clear();
        out.reserve(text.size());
        for (const char c : text)
            out.push_back(c == '1');
    }
}
