#include "model/decimal_text.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace glimora {
namespace {

TEST(DecimalText, ShortestRoundTripWithAFractionalDigit) {
    EXPECT_EQ(decimalText(90), "90.0");
    EXPECT_EQ(decimalText(0.25), "0.25");
    EXPECT_EQ(decimalText(0.1), "0.1");
    EXPECT_EQ(decimalText(54), "54.0");
    EXPECT_EQ(decimalText(-7.5), "-7.5");
    EXPECT_EQ(decimalText(0), "0.0");
    EXPECT_EQ(decimalText(-0.0), "-0.0");
    EXPECT_EQ(decimalText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(decimalText(100000), "100000.0");
    EXPECT_EQ(decimalText(123456789012.0), "123456789012.0");
}

TEST(DecimalText, ExponentFormOutsideTheDecimalRange) {
    EXPECT_EQ(decimalText(0.0001), "0.0001");
    EXPECT_EQ(decimalText(0.00001), "1e-05");
    EXPECT_EQ(decimalText(-0.000015), "-1.5e-05");
    EXPECT_EQ(decimalText(9999999999999998.0), "9999999999999998.0");
    EXPECT_EQ(decimalText(1e16), "1e+16");
    EXPECT_EQ(decimalText(18014398509481984.0), "1.8014398509481984e+16");
    EXPECT_EQ(decimalText(1e20), "1e+20");
    EXPECT_EQ(decimalText(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(decimalText(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(DecimalText, EveryTextReadsBackToTheSameNumber) {
    for (const double value : {1.0 / 3, 2.0 / 3 * 1e-7, 6.02214076e23, 359.99999999999994, 1e-300, 5e-324}) {
        const std::string text = decimalText(value);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
    }
}

}  // namespace
}  // namespace glimora
