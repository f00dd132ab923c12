#include "TSCore/Hand/HandProfile.h"

#include <utility>

#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore
{
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
        return isRight == other.isRight && tsProfile.Equals(other.tsProfile) && kelvoProfile.Equals(other.kelvoProfile);
    }

    std::string HandProfile::Serialize() const
    {
        return Util::detail::BlockWriter()
            .Side(isRight)
            .Text(tsProfile.Serialize())
            .Text(kelvoProfile.Serialize())
            .Take();
    }

    HandProfile HandProfile::Deserialize(std::string text)
    {
        enum Block : std::size_t
        {
            Side,
            Exoskeleton,
            SecondModel,
            storedBlocks,
        };
        bool right = true;
        return Util::detail::ReadStored(
            text,
            [&right](Util::detail::FieldReader& blocks)
            {
                right = blocks.Right(Side, Util::detail::EmptySide::Right);
                // A text cut short has no parts to read; answer as for any unreadable text.
                if (blocks.Count() < storedBlocks)
                {
                    TSCORE_LOG(Errors, "Could not deserialize HandProfile: expected 3 blocks, got " +
                                           std::to_string(blocks.Count()));
                    return Default(right);
                }
                // Each part answers for its own text.
                return HandProfile(right, TS::TS_HandProfile::Deserialize(blocks.Text(Exoskeleton)),
                                   Kelvo::Kelvo_Profile::Deserialize(blocks.Text(SecondModel)));
            },
            [&right] { return Default(right); });
    }
}
