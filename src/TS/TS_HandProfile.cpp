#include "TSCore/TS/TS_HandProfile.h"

#include <exception>

#include "TSCore/Diagnostics/Debugger.h"
#include "TSCore/Finger.h"
#include "TSCore/Util/Serializer.h"
#include "TSCore/Util/StrStuff.h"
#include "Util/ExceptionText.h"
#include "Util/FieldAt.h"

namespace TSCore::TS
{
    using Diagnostics::DebugLevel;
    using Diagnostics::Debugger;
    using Kinematics::HandInterpolator;
    using Kinematics::Vect3D;
    using Util::Serializer;
    using Util::StrStuff;

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

    std::string TS_HandProfile::Serialize() const
    {
        return Serializer::Enclose(isRight ? "R" : "L") + Serializer::Enclose(std::to_string(static_cast<int>(solver))) +
               Serializer::Enclose(interpolator.Serialize()) + Serializer::Serialize(thimbleOffsets, true);
    }

    TS_HandProfile TS_HandProfile::Deserialize(std::string text)
    {
        try
        {
            const std::vector<std::string> blocks = Serializer::SplitBlocks(std::move(text), false);
            if (blocks.size() < 4)
                return Default(true);
            using Util::detail::FieldAt;
            const bool right = !Util::detail::FieldStartsWith(blocks, 0, 'L');
            // Any solver number is kept; one the library does not know yields the idle hand.
            const TS_Solver solver = static_cast<TS_Solver>(StrStuff::ToInt(FieldAt(blocks, 1), 0));
            return TS_HandProfile(right, HandInterpolator::Deserialize(FieldAt(blocks, 2)), solver,
                                  Serializer::DeserializeVects(FieldAt(blocks, 3)));
        }
        catch (const std::exception& e)
        {
            Debugger::Log(Util::detail::ExceptionText(e), DebugLevel::Errors);
        }
        catch (...)
        {
            Debugger::Log("Unknown exception", DebugLevel::Errors);
        }
        return Default(true);
    }
}
