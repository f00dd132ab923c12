#pragma once

#include <string>
#include <vector>

#include "TSCore/Export.h"
#include "TSCore/Finger.h"

namespace TSCore::Util
{
    /// String helpers every parser uses: splitting device strings into fields and
    /// turning fields into numbers without throwing on bad text.
    class TSCORE_API StrStuff
    {
    public:
        /// The fields of text between occurrences of delim; an empty text gives no fields.
        static std::vector<std::string> Split(std::string text, char delim);

        /// Field index of text as Split would give it, or "" when there is no such field.
        static std::string QuickSplit(std::string& text, char delim, int index);

        /// text with every from replaced by to.
        static std::string ReplaceChars(std::string text, char from, char to);

        /// Decimal integer with the standard string-to-int rules. Empty text gives fallback
        /// silently; text without a number logs and gives fallback; a number outside the int
        /// range throws std::out_of_range.
        static int ToInt(std::string text, int fallback);

        /// Float with the standard string-to-float rules, ',' accepted as decimal mark. Empty
        /// text gives fallback silently; text without a number logs and gives fallback; a value
        /// outside the float range throws std::out_of_range.
        static float ToFloat(std::string text, float fallback);

        /// The angle in whole degrees, rounded half away from zero ("57" for 1 radian).
        static std::string RoundedDegrees(float radians);

        /// Display name of a digit: "Thumb", "Index", "Middle", "Ring", "Pinky".
        static std::string ToString(Finger finger);

    private:
        static const char* const fingerNames[fingerCount];
    };
}
