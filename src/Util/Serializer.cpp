#include "TSCore/Util/Serializer.h"

#include "TSCore/Util/StrStuff.h"
#include "Util/NumberFormat.h"

namespace TSCore::Util
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    namespace
    {
        void Wrap(std::string& s, bool enclose)
        {
            if (enclose)
            {
                s.insert(s.begin(), Serializer::openChar);
                s.push_back(Serializer::closeChar);
            }
        }

        void AppendVect(std::string& out, const Vect3D& v)
        {
            out += Serializer::openChar;
            detail::AppendNumber(out, v.x);
            out += Serializer::valueDelim;
            detail::AppendNumber(out, v.y);
            out += Serializer::valueDelim;
            detail::AppendNumber(out, v.z);
            out += Serializer::closeChar;
        }

        void AppendQuat(std::string& out, const Quat& q)
        {
            out += Serializer::openChar;
            detail::AppendNumber(out, q.x);
            out += Serializer::valueDelim;
            detail::AppendNumber(out, q.y);
            out += Serializer::valueDelim;
            detail::AppendNumber(out, q.z);
            out += Serializer::valueDelim;
            detail::AppendNumber(out, q.w);
            out += Serializer::closeChar;
        }

        void AppendFloats(std::string& out, const std::vector<float>& values)
        {
            for (std::size_t i = 0; i < values.size(); ++i)
            {
                if (i > 0)
                    out += Serializer::valueDelim;
                detail::AppendNumber(out, values[i]);
            }
        }
    }

    std::string Serializer::Serialize(Vect3D v, bool enclose)
    {
        std::string s = v.Serialize(valueDelim);
        Wrap(s, enclose);
        return s;
    }

    std::string Serializer::Serialize(Quat q, bool enclose)
    {
        std::string s = q.Serialize(valueDelim);
        Wrap(s, enclose);
        return s;
    }

    std::string Serializer::Serialize(std::vector<float> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        AppendFloats(s, values);
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<bool> flags, bool enclose)
    {
        std::string s;
        s.reserve(flags.size() + 2);
        if (enclose)
            s += openChar;
        for (bool f : flags)
            s += f ? '1' : '0';
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<Vect3D> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        for (const Vect3D& v : values)
            AppendVect(s, v);
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<Quat> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        for (const Quat& q : values)
            AppendQuat(s, q);
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<std::vector<float>> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        for (const auto& inner : values)
        {
            s += openChar;
            AppendFloats(s, inner);
            s += closeChar;
        }
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<std::vector<Vect3D>> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        for (const auto& inner : values)
        {
            s += openChar;
            for (const Vect3D& v : inner)
                AppendVect(s, v);
            s += closeChar;
        }
        if (enclose)
            s += closeChar;
        return s;
    }

    std::string Serializer::Serialize(std::vector<std::vector<Quat>> values, bool enclose)
    {
        std::string s;
        if (enclose)
            s += openChar;
        for (const auto& inner : values)
        {
            s += openChar;
            for (const Quat& q : inner)
                AppendQuat(s, q);
            s += closeChar;
        }
        if (enclose)
            s += closeChar;
        return s;
    }

    Vect3D Serializer::DeserializeVect(std::string text)
    {
        Vect3D v;
        Vect3D::Deserialize(std::move(text), v, valueDelim);
        return v;
    }

    Quat Serializer::DeserializeQuat(std::string text)
    {
        Quat q;
        Quat::Deserialize(std::move(text), q, valueDelim);
        return q;
    }

    std::vector<float> Serializer::DeserializeFloats(std::string text)
    {
        std::vector<float> values;
        for (const std::string& field : StrStuff::Split(std::move(text), valueDelim))
            values.push_back(StrStuff::ToFloat(field, 0.0f));
        return values;
    }

    std::vector<bool> Serializer::DeserializeBools(std::string text)
    {
        std::vector<bool> flags;
        flags.reserve(text.size());
        for (char c : text)
            flags.push_back(c == '1');
        return flags;
    }

    std::vector<Vect3D> Serializer::DeserializeVects(std::string text)
    {
        std::vector<Vect3D> values;
        for (std::string& block : SplitBlocks(std::move(text), false))
            values.push_back(DeserializeVect(std::move(block)));
        return values;
    }

    std::vector<Quat> Serializer::DeserializeQuats(std::string text)
    {
        std::vector<Quat> values;
        for (std::string& block : SplitBlocks(std::move(text), false))
            values.push_back(DeserializeQuat(std::move(block)));
        return values;
    }

    std::vector<std::vector<float>> Serializer::DeserializeFloats2D(std::string text)
    {
        std::vector<std::vector<float>> values;
        for (std::string& block : SplitBlocks(std::move(text), false))
            values.push_back(DeserializeFloats(std::move(block)));
        return values;
    }

    std::vector<std::vector<Vect3D>> Serializer::DeserializeVects2D(std::string text)
    {
        std::vector<std::vector<Vect3D>> values;
        for (std::string& block : SplitBlocks(std::move(text), false))
            values.push_back(DeserializeVects(std::move(block)));
        return values;
    }

    std::vector<std::vector<Quat>> Serializer::DeserializeQuats2D(std::string text)
    {
        std::vector<std::vector<Quat>> values;
        for (std::string& block : SplitBlocks(std::move(text), false))
            values.push_back(DeserializeQuats(std::move(block)));
        return values;
    }

    std::vector<std::string> Serializer::SplitBlocks(std::string text, bool filterSpaces)
    {
        std::vector<std::string> blocks;
        // Depth is counted in a wide type: a text of billions of '{' cannot overflow it.
        std::size_t depth = 0;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            const char c = text[i];
            if (c == openChar)
            {
                if (depth == 0)
                    start = i + 1;
                ++depth;
            }
            else if (c == closeChar)
            {
                if (depth > 1)
                    --depth;
                else if (depth == 1)
                {
                    std::string block = text.substr(start, i - start);
                    blocks.push_back(filterSpaces ? FilterSpaces(std::move(block)) : std::move(block));
                    depth = 0;
                }
            }
        }
        return blocks;
    }

    std::string Serializer::Enclose(std::string text)
    {
        std::string s;
        s.reserve(text.size() + 2);
        s += openChar;
        s += text;
        s += closeChar;
        return s;
    }

    void Serializer::FilterBrackets(std::string& text)
    {
        if (!text.empty() && text[0] == openChar)
            text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
    }

    std::string Serializer::FilterSpaces(std::string text)
    {
        std::string s;
        s.reserve(text.size());
        for (char c : text)
            if (c != ' ')
                s += c;
        return s;
    }
}
