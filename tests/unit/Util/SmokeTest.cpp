#include <gtest/gtest.h>
#include <TSCore/TSCore.h>
TEST(Smoke, Version) { EXPECT_EQ(TSCore::Library::Version(), "TSCore C++ Library v1.1.1"); }
