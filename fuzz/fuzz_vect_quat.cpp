// Vect3D::Deserialize and Quat::Deserialize: a value read and written again reads back equal.
#include <stdexcept>

#include "FuzzHelpers.h"

using TSCore::Kinematics::Quat;
using TSCore::Kinematics::Vect3D;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TSCoreFuzz::LogEverything();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = TSCoreFuzz::Text(data, size);
    try
    {
        Vect3D v;
        if (Vect3D::Deserialize(text, v, ';') && TSCoreFuzz::Finite(v))
        {
            Vect3D again;
            TSCoreFuzz::Check(Vect3D::Deserialize(v.Serialize(';'), again, ';'), "Vect3D reads its own text");
            TSCoreFuzz::Check(again.Equals(v), "Vect3D round trip");
        }
    }
    catch (const std::out_of_range&)
    {
        // A number beyond float range is documented to reach the caller of these two.
    }
    try
    {
        Quat q;
        if (Quat::Deserialize(text, q, ';') && TSCoreFuzz::Finite(q))
        {
            Quat again;
            TSCoreFuzz::Check(Quat::Deserialize(q.Serialize(';'), again, ';'), "Quat reads its own text");
            TSCoreFuzz::Check(again.Equals(q), "Quat round trip");
            (void)q.ToEuler();
            (void)q.ToString();
        }
    }
    catch (const std::out_of_range&)
    {
    }
    return 0;
}
