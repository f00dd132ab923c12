#include "TSCore/Util/Serializer.h"

#include <stdexcept>

#include "Kinematics/VectorText.h"
#include "Util/BlockWriter.h"
#include "Util/FieldReader.h"

namespace TSCore::Util
{
    using Kinematics::Quat;
    using Kinematics::Vect3D;

    namespace
    {
        // The documented interface lets a number outside the float range reach the caller as the
        // standard exception; the readers inside the library take the result instead.
        template <typename T>
        T ReadOrThrow(const std::string& text)
        {
            detail::FieldReader reader = detail::FieldReader::Whole(text);
            T value = reader.Value<T>(0);
            if (!reader.Ok())
                throw std::out_of_range(reader.Error());
            return value;
        }
    }

    std::string Serializer::Serialize(Vect3D v, bool enclose) { return detail::WriteItem(v, enclose); }
    std::string Serializer::Serialize(Quat q, bool enclose) { return detail::WriteItem(q, enclose); }
    std::string Serializer::Serialize(std::vector<float> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }
    std::string Serializer::Serialize(std::vector<bool> flags, bool enclose)
    {
        return detail::WriteItem(flags, enclose);
    }
    std::string Serializer::Serialize(std::vector<Vect3D> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }
    std::string Serializer::Serialize(std::vector<Quat> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }
    std::string Serializer::Serialize(std::vector<std::vector<float>> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }
    std::string Serializer::Serialize(std::vector<std::vector<Vect3D>> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }
    std::string Serializer::Serialize(std::vector<std::vector<Quat>> values, bool enclose)
    {
        return detail::WriteItem(values, enclose);
    }

    Vect3D Serializer::DeserializeVect(std::string text) { return ReadOrThrow<Vect3D>(text); }
    Quat Serializer::DeserializeQuat(std::string text) { return ReadOrThrow<Quat>(text); }
    std::vector<float> Serializer::DeserializeFloats(std::string text) { return ReadOrThrow<std::vector<float>>(text); }
    std::vector<bool> Serializer::DeserializeBools(std::string text) { return ReadOrThrow<std::vector<bool>>(text); }
    std::vector<Vect3D> Serializer::DeserializeVects(std::string text)
    {
        return ReadOrThrow<std::vector<Vect3D>>(text);
    }
    std::vector<Quat> Serializer::DeserializeQuats(std::string text) { return ReadOrThrow<std::vector<Quat>>(text); }
    std::vector<std::vector<float>> Serializer::DeserializeFloats2D(std::string text)
    {
        return ReadOrThrow<std::vector<std::vector<float>>>(text);
    }
    std::vector<std::vector<Vect3D>> Serializer::DeserializeVects2D(std::string text)
    {
        return ReadOrThrow<std::vector<std::vector<Vect3D>>>(text);
    }
    std::vector<std::vector<Quat>> Serializer::DeserializeQuats2D(std::string text)
    {
        return ReadOrThrow<std::vector<std::vector<Quat>>>(text);
    }

    std::vector<std::string> Serializer::SplitBlocks(std::string text, bool filterSpaces)
    {
        std::vector<std::string_view> views;
        detail::SplitBlockViews(text, views);
        std::vector<std::string> blocks;
        blocks.reserve(views.size());
        for (const std::string_view block : views)
            blocks.push_back(filterSpaces ? FilterSpaces(std::string(block)) : std::string(block));
        return blocks;
    }

    std::string Serializer::Enclose(std::string text) { return detail::BlockWriter().Text(text).Take(); }

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
