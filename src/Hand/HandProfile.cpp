#include "TSCore/Hand/HandProfile.h"

#include <exception>
#include <utility>
#include <vector>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Util/Serializer.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Util::Serializer;

    HandProfile::HandProfile(bool isRight, TS::TS_HandProfile tsProfile, Kelvo::Kelvo_Profile kelvoProfile)
        : isRight(isRight), tsProfile(std::move(tsProfile)), kelvoProfile(std::move(kelvoProfile))
    {
    }

    HandProfile HandProfile::Default(bool right)
    {
        return HandProfile(right, TS::TS_HandProfile::Default(right), Kelvo::Kelvo_Profile::Default(right));
    }

    bool HandProfile::Equals(HandProfile other) const
    {
        return isRight == other.isRight && tsProfile.Equals(other.tsProfile) &&
               kelvoProfile.Equals(other.kelvoProfile);
    }

    std::string HandProfile::Serialize() const
    {
        return Serializer::Enclose(isRight ? "R" : "L") + Serializer::Enclose(tsProfile.Serialize()) +
               Serializer::Enclose(kelvoProfile.Serialize());
    }

    HandProfile HandProfile::Deserialize(std::string text)
    {
        bool right = true;
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(text, false);
            right = !Util::detail::FieldStartsWith(blocks, 0, 'L');
            // A text cut short has no parts to read; answer as for any unreadable text.
            if (blocks.size() < 3)
            {
                Debugger::Log("Could not deserialize HandProfile: expected 3 blocks, got " +
                                  std::to_string(blocks.size()),
                              DebugLevel::Errors);
                return Default(right);
            }
            return HandProfile(right, TS::TS_HandProfile::Deserialize(Util::detail::FieldAt(blocks, 1)),
                               Kelvo::Kelvo_Profile::Deserialize(Util::detail::FieldAt(blocks, 2)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
            return Default(right);
        }
    }
}
