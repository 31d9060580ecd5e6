#include <gtest/gtest.h>

#include "shell/Colour.h"
#include "shell/Rounding.h"

using namespace nalo;

TEST(Rounding, HalvesGoToEven) {
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(toInt16(-0.5), 0);
    EXPECT_EQ(toInt16(-1.5), -2);
    EXPECT_EQ(toInt32(2.4999), 2);
    EXPECT_EQ(toInt32(1e9 + 0.5), 1000000000);
}

TEST(Rounding, SixteenAndThirtyTwoBitOverflowRaisesError6) {
    EXPECT_EQ(checked16(32767), 32767);
    EXPECT_EQ(checked16(-32768), -32768);
    try {
        add16(32767, 1);
        FAIL() << "no overflow raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), err::Overflow);
    }
    EXPECT_THROW(mul16(200, 200), RuntimeError);
    EXPECT_THROW(toInt16(32767.5), RuntimeError);
    EXPECT_THROW(mul32(65536, 65536), RuntimeError);
    EXPECT_THROW(toInt32(std::nan("")), RuntimeError);
    EXPECT_EQ(sub32(-2147483647, 1), INT32_MIN);
}

TEST(Colour, LayoutIsBlueGreenRed) {
    EXPECT_EQ(rgb(0x12, 0x34, 0x56), 0x00563412u);
    EXPECT_EQ(redOf(0x00563412u), 0x12);
    EXPECT_EQ(greenOf(0x00563412u), 0x34);
    EXPECT_EQ(blueOf(0x00563412u), 0x56);
    EXPECT_FALSE(isSystemColour(ClrInvalid));
    EXPECT_TRUE(isSystemColour(0x8000000Fu));
}
