#include "CommandDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace TessLinkSim;
using namespace TSCoreLink;

namespace
{
    std::string Bytes(std::initializer_list<int> values)
    {
        std::string out;
        for (const int v : values)
            out += static_cast<char>(v);
        return out;
    }

    const CommandTarget tessaraWithThumper{DeviceKind::Tessara, true};
    const CommandTarget tessaraWithoutThumper{DeviceKind::Tessara, false};
    const CommandTarget kelvo{DeviceKind::Kelvo, false};
}

TEST(CommandDecoder, DecodesExoskeletonLevelsAndThumperCode)
{
    const std::string cmd = Bytes({'{', 'Z', 11, 21, 31, 41, 51, 61, 71, 81, 91, 101, 5, '}'});
    EXPECT_EQ(DecodeCommand("device1", tessaraWithThumper, cmd),
              "haptics device1 tessara ffb=10,20,30,40,50 buzz=60,70,80,90,100 thumper=5 "
              "raw=7b5a0b151f29333d47515b65057d");
}

TEST(CommandDecoder, ExoskeletonWithoutThumperByteReportsNone)
{
    const std::string cmd = Bytes({'{', 'Z', 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '}'});
    EXPECT_EQ(DecodeCommand("device0", tessaraWithoutThumper, cmd),
              "haptics device0 tessara ffb=0,0,0,0,0 buzz=0,0,0,0,0 thumper=none raw=7b5a010101010101010101017d");
}

TEST(CommandDecoder, ExoskeletonLengthMustMatchFirmware)
{
    // A thumper byte sent to a glove that takes none, and one missing where it is due.
    const std::string withThumper = Bytes({'{', 'Z', 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 126, '}'});
    const std::string withoutThumper = Bytes({'{', 'Z', 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '}'});
    EXPECT_EQ(DecodeCommand("device2", tessaraWithoutThumper, withThumper),
              "haptics device2 tessara malformed raw=7b5a010101010101010101017e7d");
    EXPECT_EQ(DecodeCommand("device2", tessaraWithThumper, withoutThumper),
              "haptics device2 tessara malformed raw=7b5a010101010101010101017d");
}

TEST(CommandDecoder, RejectsBrokenFraming)
{
    EXPECT_EQ(DecodeCommand("device0", tessaraWithoutThumper, Bytes({'{', 'Y', 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, '}'})),
              "haptics device0 tessara malformed raw=7b59010101010101010101017d");
    EXPECT_EQ(DecodeCommand("device0", kelvo, Bytes({'{', 'Z', 1, 1, 1, 1, 1, 1, 1, ']'})),
              "haptics device0 kelvo malformed raw=7b5a010101010101015d");
    // A level of -1 is a zero byte, which ends the sender's fragment: the command comes out short.
    EXPECT_EQ(DecodeCommand("device0", kelvo, Bytes({'{', 'Z', 1, 1, 1, 1, 1, 1, '}'})),
              "haptics device0 kelvo malformed raw=7b5a0101010101017d");
    EXPECT_EQ(DecodeCommand("device0", kelvo, std::string()), "haptics device0 kelvo malformed raw=");
}

TEST(CommandDecoder, DecodesKelvoOrder)
{
    // Force for four fingers, then the thumper magnitude, then vibration for two.
    const std::string cmd = Bytes({'{', 'Z', 11, 21, 31, 41, 6, 61, 71, '}'});
    std::vector<int> ffb{7};
    EXPECT_EQ(DecodeCommand("device3", kelvo, cmd, &ffb),
              "haptics device3 kelvo ffb=10,20,30,40 buzz=60,70 thumper=5 raw=7b5a0b151f29063d477d");
    EXPECT_EQ(ffb, (std::vector<int>{10, 20, 30, 40})) << "the levels that brake the fingers";
    DecodeCommand("device3", kelvo, cmd.substr(1), &ffb);
    EXPECT_TRUE(ffb.empty()) << "a malformed command brakes nothing";
}

TEST(CommandDecoder, HighBytesAreUnsigned)
{
    const std::string cmd = Bytes({'{', 'Z', 255, 1, 1, 1, 200, 1, 1, '}'});
    EXPECT_EQ(DecodeCommand("device0", kelvo, cmd),
              "haptics device0 kelvo ffb=254,0,0,0 buzz=0,0 thumper=199 raw=7b5aff010101c801017d");
}

TEST(CommandDecoder, BetaAndUnknownKindsPassRawBytes)
{
    EXPECT_EQ(DecodeCommand("device0", CommandTarget{DeviceKind::Beta, false}, "hi"), "haptics device0 beta raw=6869");
    EXPECT_EQ(DecodeCommand("device7", CommandTarget{DeviceKind::Other, false}, std::string(1, '\x80')),
              "haptics device7 beta raw=80");
}
