#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Kinematics/Quat.h"
#include "TSCore/Kinematics/Vect3D.h"

namespace TSCore::Util
{
    /// The nested-block text format every stored object uses: numbers with six decimals,
    /// values joined by ';', composite values wrapped in '{' '}' and written back to back.
    /// Meaning comes from position only. Every Deserialize reads the form that Serialize
    /// writes with enclose false; a number beyond the float range in it throws
    /// std::out_of_range, as StrStuff::ToFloat does.
    class TSCORE_API Serializer
    {
    public:
        static constexpr char openChar = '{';
        static constexpr char closeChar = '}';
        static constexpr char valueDelim = ';';

        static std::string Serialize(Kinematics::Vect3D v, bool enclose);
        static std::string Serialize(Kinematics::Quat q, bool enclose);
        static std::string Serialize(std::vector<float> values, bool enclose);
        static std::string Serialize(std::vector<bool> flags, bool enclose);
        static std::string Serialize(std::vector<Kinematics::Vect3D> values, bool enclose);
        static std::string Serialize(std::vector<Kinematics::Quat> values, bool enclose);
        static std::string Serialize(std::vector<std::vector<float>> values, bool enclose);
        static std::string Serialize(std::vector<std::vector<Kinematics::Vect3D>> values, bool enclose);
        static std::string Serialize(std::vector<std::vector<Kinematics::Quat>> values, bool enclose);

        static Kinematics::Vect3D DeserializeVect(std::string text);
        static Kinematics::Quat DeserializeQuat(std::string text);
        static std::vector<float> DeserializeFloats(std::string text);
        static std::vector<bool> DeserializeBools(std::string text);
        static std::vector<Kinematics::Vect3D> DeserializeVects(std::string text);
        static std::vector<Kinematics::Quat> DeserializeQuats(std::string text);
        static std::vector<std::vector<float>> DeserializeFloats2D(std::string text);
        static std::vector<std::vector<Kinematics::Vect3D>> DeserializeVects2D(std::string text);
        static std::vector<std::vector<Kinematics::Quat>> DeserializeQuats2D(std::string text);

        /// The contents of the top-level blocks of text. Text outside blocks is skipped, inner
        /// braces stay in their block, a block still open at the end is dropped.
        static std::vector<std::string> SplitBlocks(std::string text, bool filterSpaces);
        /// "{" + text + "}"
        static std::string Enclose(std::string text);
        /// Removes one enclosing pair in place: a leading '{' and whatever the last character is.
        static void FilterBrackets(std::string& text);
        /// text without its ' ' characters.
        static std::string FilterSpaces(std::string text);
    };
}
