// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "text/Numbers.h"

namespace purlo {
namespace {

TEST(ParseNumber, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"2145", 2145},
        {" 1     Serial CommPort.", 1},
        {" 9600 baud rate.", 9600},
        {"-50", -50},
        {"+7", 7},
        {"- 5", -5},
        {"1 2 3", 123},
        {"12.5", 12.5},
        {".5", 0.5},
        {"3.", 3},
        {"1.2.3", 1.2},
        {"215\r", 215},
        {"\t42\n", 42},
        {"1e3", 1000},
        {"2E-2x", 0.02},
        {"7e", 7},
        {"7eX", 7},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {".", 0},
        {"x12", 0},
        {"0012", 12},
        {" -1500 ", -1500},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(parseNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(ParseNumber, HugeValuesBecomeInfiniteAndTinyOnesZero) {
    EXPECT_TRUE(std::isinf(parseNumber("1e999")));
    EXPECT_LT(parseNumber("-1e999"), 0);
    EXPECT_TRUE(std::isinf(parseNumber(std::string(400, '9'))));
    EXPECT_EQ(parseNumber("1e-999"), 0.0);
    EXPECT_EQ(parseNumber("0.000e999999999999999999"), 0.0);
}

TEST(ToWidth, RoundsHalvesToEven) {
    EXPECT_EQ(toWidth<std::int16_t>(2.5), 2);
    EXPECT_EQ(toWidth<std::int16_t>(3.5), 4);
    EXPECT_EQ(toWidth<std::int16_t>(-0.5), 0);
    EXPECT_EQ(toWidth<std::int16_t>(-1.5), -2);
    EXPECT_EQ(toWidth<std::int16_t>(705.5), 706);
    EXPECT_EQ(toWidth<std::int16_t>(12.5), 12);
    EXPECT_EQ(toWidth<std::int16_t>(13.5), 14);
    EXPECT_EQ(toWidth<std::int32_t>(2.4999), 2);
}

TEST(ToWidth, RefusesValuesOutsideEachWidth) {
    EXPECT_EQ(toWidth<std::uint8_t>(255), 255);
    EXPECT_EQ(toWidth<std::uint8_t>(255.4), 255);
    EXPECT_THROW(toWidth<std::uint8_t>(255.5), RuntimeError);  // rounds to 256
    EXPECT_THROW(toWidth<std::uint8_t>(256), RuntimeError);
    EXPECT_THROW(toWidth<std::uint8_t>(-1), RuntimeError);
    EXPECT_EQ(toWidth<std::uint8_t>(-0.5), 0);
    EXPECT_EQ(toWidth<std::int16_t>(-32768), -32768);
    EXPECT_THROW(toWidth<std::int16_t>(32768), RuntimeError);
    EXPECT_THROW(toWidth<std::int16_t>(-32769), RuntimeError);
    EXPECT_EQ(toWidth<std::int32_t>(2147483647.0), 2147483647);
    EXPECT_THROW(toWidth<std::int32_t>(2147483648.0), RuntimeError);
    EXPECT_THROW(toWidth<std::int32_t>(std::numeric_limits<double>::infinity()), RuntimeError);
    EXPECT_THROW(toWidth<std::int32_t>(std::nan("")), RuntimeError);
}

TEST(Checked, FailsOutsideTheWidth) {
    EXPECT_EQ(checked<std::uint8_t>(254 + 1LL), 255);
    EXPECT_THROW(checked<std::uint8_t>(255 + 1LL), RuntimeError);
    EXPECT_THROW(checked<std::uint8_t>(0 - 1LL), RuntimeError);
    EXPECT_THROW(checked<std::int16_t>(32767 + 1LL), RuntimeError);
    EXPECT_THROW(checked<std::int32_t>(2LL * 1073741824), RuntimeError);
    EXPECT_EQ(checked<std::int32_t>(-2147483648LL), std::numeric_limits<std::int32_t>::min());
}

TEST(ToSingle, RefusesFloatOverflow) {
    EXPECT_FLOAT_EQ(toSingle(1.5), 1.5f);
    EXPECT_THROW(toSingle(1e39), RuntimeError);
    EXPECT_THROW(toSingle(-1e39), RuntimeError);
    EXPECT_THROW(toSingle(std::nan("")), RuntimeError);
}

TEST(RoundToDecimals, RoundsTheShownDigitsHalfAwayFromZero) {
    struct Case {
        float value;
        int decimals;
        float expected;
    };
    const Case cases[] = {
        {39.370079f, 2, 39.37f}, {21.5f, 1, 21.5f}, {2.675f, 2, 2.68f},
        {-2.675f, 2, -2.68f},    {0.6f, 2, 0.6f},   {2.1533f, 0, 2.0f},
        {2.5f, 0, 3.0f},         {-2.5f, 0, -3.0f}, {0.45f, 1, 0.5f},
        {0.049f, 1, 0.0f},       {9.96f, 1, 10.0f}, {1234567.0f, 2, 1234567.0f},
        {1e20f, 1, 1e20f},       {0.0f, 2, 0.0f},   {-0.004f, 2, 0.0f},
        {0.00005f, 2, 0.0f},     {0.5f, 0, 1.0f},   {23.622047f, 1, 23.6f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(roundToDecimals(c.value, c.decimals), c.expected)
            << c.value << " to " << c.decimals;
    }
}

TEST(FloatText, SevenSignificantDigitsWithoutTrailingZeros) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.6f, "0.6"},
        {25.1f, "25.1"},
        {39.37f, "39.37"},
        {180.0f, "180"},
        {-5.0f, "-5"},
        {21.5f, "21.5"},
        {0.1f, "0.1"},
        {1234.0f, "1234"},
        {-0.0f, "0"},
        {0.0f, "0"},
        {1e7f, "10000000"},
        {123456789.0f, "123456800"},
        {1.0f / 3, "0.3333333"},
        {-0.25f, "-0.25"},
        {39.370079f, "39.37008"},
        {0.00012345f, "0.00012345"},
        {1e20f, "1E+20"},
        {1.5e-7f, "1.5E-07"},
        {2.153f, "2.153"},
        {-1500.0f, "-1500"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(floatText(c.value), c.text) << c.value;
    }
}

TEST(FloatText, UsesTheLocaleSeparator) {
    EXPECT_EQ(floatText(39.37f, ','), "39,37");
    EXPECT_EQ(floatText(0.6f, ','), "0,6");
    EXPECT_EQ(floatText(180.0f, ','), "180");
}

TEST(IntText, PlainDecimal) {
    EXPECT_EQ(intText(0), "0");
    EXPECT_EQ(intText(-1500), "-1500");
    EXPECT_EQ(intText(2147483647), "2147483647");
}

}  // namespace
}  // namespace purlo
