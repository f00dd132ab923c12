#include "Util/FieldReader.h"

#include <stdexcept>

#include "Util/SplitView.h"

namespace TSCore::Util::detail
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;

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

    namespace
    {
        // Reads count numbers from the first count fields of text; Invalid when it has fewer.
        ParseStatus ReadComponents(std::string_view text, char delim, float* values, std::size_t count)
        {
            if (text.empty())
                return ParseStatus::Invalid;
            std::string_view parts[4];
            std::size_t found = 0;
            std::size_t start = 0;
            while (found < count)
            {
                const std::size_t end = text.find(delim, start);
                parts[found++] =
                    text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
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
    }

    ParseStatus ReadVect(std::string_view text, char delim, Vect3D& out)
    {
        float v[3] = {0.0f, 0.0f, 0.0f};
        const ParseStatus status = ReadComponents(text, delim, v, 3);
        out = status == ParseStatus::Ok ? Vect3D(v[0], v[1], v[2]) : Vect3D();
        return status;
    }

    ParseStatus ReadQuat(std::string_view text, char delim, Quat& out)
    {
        float v[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        const ParseStatus status = ReadComponents(text, delim, v, 4);
        out = status == ParseStatus::Ok ? Quat(v[0], v[1], v[2], v[3]) : Quat();
        return status;
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
        ReadItem(View(i), value);
        return value;
    }

    Vect3D FieldReader::VectField(std::size_t i, char delim)
    {
        Vect3D v;
        if (Ok() && ReadVect(View(i), delim, v) == ParseStatus::OutOfRange)
            Fail(floatRangeError);
        return v;
    }

    bool FieldReader::QuatField(std::size_t i, char delim, Quat& out)
    {
        out = Quat();
        if (!Ok())
            return false;
        const ParseStatus status = ReadQuat(View(i), delim, out);
        if (status == ParseStatus::OutOfRange)
            Fail(floatRangeError);
        return status == ParseStatus::Ok;
    }

    void FieldReader::ReadItem(std::string_view text, float& out)
    {
        const float fallback = out;
        if (Ok() && !ReadFloat(text, fallback, out))
        {
            Fail(floatRangeError);
            out = fallback;
        }
    }

    void FieldReader::ReadItem(std::string_view text, Vect3D& out)
    {
        out = Vect3D();
        if (Ok() && ReadVect(text, ';', out) == ParseStatus::OutOfRange)
            Fail(floatRangeError);
    }

    void FieldReader::ReadItem(std::string_view text, Quat& out)
    {
        out = Quat();
        if (Ok() && ReadQuat(text, ';', out) == ParseStatus::OutOfRange)
            Fail(floatRangeError);
    }

    void FieldReader::ReadItem(std::string_view text, std::vector<float>& out)
    {
        std::vector<std::string_view> parts;
        SplitViews(text, ';', parts);
        out.assign(parts.size(), 0.0f);
        for (std::size_t i = 0; i < parts.size(); ++i)
            ReadItem(parts[i], out[i]);
    }

    void FieldReader::ReadItem(std::string_view text, std::vector<bool>& out)
    {
        out.clear();
        out.reserve(text.size());
        for (const char c : text)
            out.push_back(c == '1');
    }
}
