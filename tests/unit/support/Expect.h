#pragma once

#include <gtest/gtest.h>

#include <TSCore/Kinematics/Vect3D.h>
#include <TSCore/TS/TS_GloveInfo.h>
#include <TSCore/TS/TessaraVars.h>

namespace TSCoreTest
{
    inline void ExpectNear(TSCore::Kinematics::Vect3D a, TSCore::Kinematics::Vect3D b, float tol = 1e-4f)
    {
        EXPECT_NEAR(a.x, b.x, tol);
        EXPECT_NEAR(a.y, b.y, tol);
        EXPECT_NEAR(a.z, b.z, tol);
    }

    /// The exoskeleton glove of the standard constants string, old-firmware correction applied.
    inline TSCore::TS::TS_GloveInfo StandardGlove(bool right = true)
    {
        TSCore::TS::TS_GloveInfo info;
        TSCore::TS::TS_GloveInfo::Parse(TSCore::TS::TessaraVars::GetStdCString("QX7.2", 4.7f, right), info, true);
        return info;
    }
}
