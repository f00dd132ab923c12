#include "TSCore/TS/TS_HandProfile.h"

#include "Kinematics/VectorText.h"
#include "TSCore/Finger.h"
#include "Util/BlockWriter.h"
#include "Util/StoredText.h"

namespace TSCore::TS
{
    using Kinematics::HandInterpolator;
    using Kinematics::Vect3D;

    TS_HandProfile::TS_HandProfile()
        : isRight(true), thimbleOffsets(fingerCount, dThimbleOffset), solver(TS_Solver::Interpolation)
    {
    }

    TS_HandProfile::TS_HandProfile(bool isRight, HandInterpolator interpolator, TS_Solver solver,
                                   std::vector<Vect3D> thimbleOffsets)
        : isRight(isRight), interpolator(std::move(interpolator)), thimbleOffsets(std::move(thimbleOffsets)),
          solver(solver)
    {
    }

    TS_HandProfile TS_HandProfile::Default(bool right)
    {
        return TS_HandProfile(right, HandInterpolator::Default(right), TS_Solver::Interpolation,
                              std::vector<Vect3D>(fingerCount, dThimbleOffset));
    }

    bool TS_HandProfile::Equals(TS_HandProfile other) const
    {
        if (isRight != other.isRight || solver != other.solver || !interpolator.Equals(other.interpolator) ||
            thimbleOffsets.size() != other.thimbleOffsets.size())
            return false;
        for (std::size_t i = 0; i < thimbleOffsets.size(); ++i)
            if (!thimbleOffsets[i].Equals(other.thimbleOffsets[i]))
                return false;
        return true;
    }

    namespace
    {
        enum Block : std::size_t
        {
            Side,
            Solver,
            Interpolator,
            ThimbleOffsets,
            storedBlocks,
        };
    }

    std::string TS_HandProfile::Serialize() const
    {
        return Util::detail::BlockWriter()
            .Side(isRight)
            .Int(static_cast<int>(solver))
            .Text(interpolator.Serialize())
            .Value(thimbleOffsets)
            .Take();
    }

    TS_HandProfile TS_HandProfile::Deserialize(std::string text)
    {
        return Util::detail::ReadStored(
            text,
            [](Util::detail::FieldReader& blocks)
            {
                if (blocks.Count() < storedBlocks)
                    return Default(true);
                const bool right = blocks.Right(Side, Util::detail::EmptySide::Right);
                // Any solver number is kept; one the library does not know yields the idle hand.
                const auto solver = static_cast<TS_Solver>(blocks.Int(Solver));
                if (!blocks.Ok())
                    return Default(true);
                HandInterpolator interpolator = HandInterpolator::Deserialize(blocks.Text(Interpolator));
                return TS_HandProfile(right, std::move(interpolator), solver,
                                      blocks.Value<std::vector<Vect3D>>(ThimbleOffsets));
            },
            [] { return Default(true); });
    }
}
