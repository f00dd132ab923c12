#pragma once

// The one reader of the library's texts, by position: the top-level blocks of a stored text,
// or the fields of a device string split at a delimiter. A field the text lacks reads as empty.
//
// Numbers follow StrStuff's rules (a malformed number is its fallback, logged at Verbose), but a
// number outside its type is a result, not an exception: the reader fails, keeps the standard
// conversion's text for it, and reads every later value as its fallback without converting (so
// nothing more is logged), as if reading had stopped there. Each caller decides what a failed
// read means for its text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Util/HandSide.h"
#include "Util/NumberParse.h"

namespace TSCore::Util::detail
{
    /// The contents of the top-level blocks of text, as Serializer::SplitBlocks gives them.
    void SplitBlockViews(std::string_view text, std::vector<std::string_view>& out);

    /// The first count (at most 4) fields of text between occurrences of delim, as numbers:
    /// Invalid when text is empty or has fewer fields, OutOfRange when one is a number outside the float range.
    ParseStatus ReadComponents(std::string_view text, char delim, float* values, std::size_t count);

    /// The documented public readers' answer to a status: true for Ok, false for Invalid, and
    /// std::out_of_range for a number outside the float range.
    bool OkOrThrow(ParseStatus status);

    /// How one element type is read: a specialisation per type (the vector and quaternion ones
    /// live with their types in Kinematics/VectorText.h).
    template <typename T>
    struct ItemReader;

    class FieldReader
    {
    public:
        /// The top-level blocks of a stored text.
        static FieldReader Blocks(std::string_view text);
        /// The fields of text between occurrences of delim (StrStuff::Split's rules).
        static FieldReader Split(std::string_view text, char delim);
        /// The whole text as field 0.
        static FieldReader Whole(std::string_view text);

        std::size_t Count() const noexcept { return fields.size(); }
        std::string_view View(std::size_t i) const noexcept
        {
            return i < fields.size() ? fields[i] : std::string_view();
        }
        std::string Text(std::size_t i) const { return std::string(View(i)); }
        bool StartsWith(std::size_t i, char c) const noexcept { return !View(i).empty() && View(i)[0] == c; }
        bool Right(std::size_t i, EmptySide empty) const noexcept { return ReadsRight(View(i), empty); }

        int Int(std::size_t i, int fallback = 0);
        float Float(std::size_t i, float fallback = 0.0f);
        /// ReadComponents of text, a number outside the float range failing the reader; values
        /// are left as they are unless the status is Ok.
        ParseStatus Components(std::string_view text, char delim, float* values, std::size_t count);

        /// A value in the block format: a float list, flags, a vector, a quaternion, or lists of them.
        template <typename T>
        T Value(std::size_t i)
        {
            T value{};
            ItemReader<T>::Read(*this, View(i), value);
            return value;
        }

        bool Ok() const noexcept { return error == nullptr; }
        /// The standard conversion's text for the first range error; null while Ok.
        const char* Error() const noexcept { return error; }
        void Fail(const char* what) noexcept
        {
            if (error == nullptr)
                error = what;
        }

        /// A number of the block format into out, which keeps its value when it is unreadable.
        void Number(std::string_view text, float& out);

    private:
        std::vector<std::string_view> fields;
        const char* error = nullptr;
    };

    template <>
    struct ItemReader<float>
    {
        static void Read(FieldReader& reader, std::string_view text, float& out) { reader.Number(text, out); }
    };

    template <>
    struct ItemReader<std::vector<float>>
    {
        static void Read(FieldReader& reader, std::string_view text, std::vector<float>& out);
    };

    template <>
    struct ItemReader<std::vector<bool>>
    {
        static void Read(FieldReader& reader, std::string_view text, std::vector<bool>& out);
    };

    template <typename T>
    struct ItemReader<std::vector<T>>
    {
        static void Read(FieldReader& reader, std::string_view text, std::vector<T>& out)
        {
            std::vector<std::string_view> blocks;
            SplitBlockViews(text, blocks);
            out.resize(blocks.size());
            for (std::size_t i = 0; i < blocks.size(); ++i)
                ItemReader<T>::Read(reader, blocks[i], out[i]);
        }
    };
}
