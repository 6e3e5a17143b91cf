#include "util/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace util {
namespace {

TEST(ParseIntLenient, SignIsKeptOnlyWhenTheTextIsReadToItsEnd) {
  const struct {
    const char* in;
    int32_t out;
  } cases[] = {
      {"42", 42},
      {"  -17", -17},
      {"+7", 7},
      {"007", 7},
      {"12abc", 12},
      {"-12abc", 12},
      {"-5 ", 5},
      {"1.5", 1},
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"   ", 0},
      {"+-5", 0},
      {"- 5", 0},
      {" 1 2", 1},
      {"0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int32_t>::min()},
      // One more digit than the range allows: the digits before it, unsigned.
      {"2147483648", 214748364},
      {"-2147483649", 214748364},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntLenient(c.in), c.out) << "'" << c.in << "'";
}

TEST(ParseIntLenient, ReadsHexadecimalForms) {
  const struct {
    const char* in;
    int32_t out;
  } cases[] = {
      {"$1F", 31},
      {"0x10", 16},
      {"0X10", 16},
      {"x1f", 31},
      {"X1F", 31},
      {"-$10", -16},
      {"$", 0},
      {"0x", 0},
      {"$1G", 1},
      {"-$1G", 1},
      {"$7FFFFFFF", 2147483647},
      {"$FFFFFFFF", -1},           // wraps into the signed range
      {"$123456789", 0x12345678},  // the ninth digit would not fit
      {"01x", 1},                  // "0" then "1": decimal, stops at x
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIntLenient(c.in), c.out) << "'" << c.in << "'";
}

TEST(StrToIntNoCommas, RemovesCommasFirst) {
  const struct {
    const char* in;
    int32_t out;
  } cases[] = {
      {"1,234", 1234}, {"-1,000", -1000}, {"12.50", 12},     {"12x", 12},
      {"-5x", 5},      {",,,", 0},        {"1,5,0,0", 1500},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToIntNoCommas(c.in), c.out) << "'" << c.in << "'";
}

TEST(ParseFloatLenient, FallsBackToTheMantissaDigitsOnError) {
  const struct {
    const char* in;
    double out;
  } cases[] = {
      {"", 0.0},      {"1234.50", 1234.5}, {"  -0.25", -0.25}, {"+3", 3.0},      {"1.5e3", 1500.0},
      {"2E-2", 0.02}, {"5.", 5.0},         {".5", 0.5},        {"12.5x", 125.0}, {"-12.5x", 125.0},
      {"1e", 1.0},    {"1.5e+", 15.0},     {".", 0.0},         {"abc", 0.0},     {"1,234.5", 1.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseFloatLenient(c.in), c.out) << "'" << c.in << "'";
  EXPECT_EQ(StrToFloatNoCommas("1,234.5"), 1234.5);
  EXPECT_EQ(StrToFloatNoCommas("-1,000,000.25"), -1000000.25);
}

TEST(ParseCellFloat, AcceptsOnlyOneCompleteNumber) {
  const struct {
    const char* in;
    bool ok;
    double out;
  } cases[] = {
      {"1234.50", true, 1234.5}, {"", true, 0.0},        {"-", true, 0.0},
      {"  7", true, 7.0},        {"-2.5", true, -2.5},   {"+2.5", true, 2.5},
      {"1e3", true, 1000.0},     {"1.5E-1", true, 0.15}, {"5.", true, 5.0},
      {".5", true, 0.5},         {"1e-400", true, 0.0},  {"1,234.50", false, 0},
      {"12 ", false, 0},         {"12x", false, 0},      {"+", false, 0},
      {"--1", false, 0},         {" ", false, 0},        {".", false, 0},
      {"1e", false, 0},          {"1e+", false, 0},      {"1e400", false, 0},
      {"0x10", false, 0},        {"1.2.3", false, 0},    {"\xF1", false, 0},  // a Thai digit
  };
  for (const auto& c : cases) {
    double v = -99.0;
    EXPECT_EQ(ParseCellFloat(c.in, &v), c.ok) << "'" << c.in << "'";
    if (c.ok) {
      EXPECT_EQ(v, c.out) << "'" << c.in << "'";
    } else {
      EXPECT_EQ(v, -99.0) << "a refused cell must not change the value: '" << c.in << "'";
    }
  }
}

TEST(ParseCellFloat, ReadsTheNearestDouble) {
  double v = 0;
  ASSERT_TRUE(ParseCellFloat("0.1", &v));
  EXPECT_EQ(v, 0.1);
  ASSERT_TRUE(ParseCellFloat("123456789012345678901234567890", &v));
  EXPECT_EQ(v, 123456789012345678901234567890.0);
  ASSERT_TRUE(ParseCellFloat("-1.7976931348623157e308", &v));
  EXPECT_EQ(v, -std::numeric_limits<double>::max());
}

TEST(IntToText, WritesPlainDecimal) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-17), "-17");
  EXPECT_EQ(IntToText(std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(IntToText(65535), "65535");
}

TEST(FloatToFixed, RoundsHalfAwayFromZeroAndDropsNegativeZero) {
  const struct {
    int decimals;
    double in;
    const char* out;
  } cases[] = {
      {2, 1234.5, "1234.50"},
      {2, -0.001, "0.00"},
      {2, -0.0, "0.00"},
      {2, 0.125, "0.13"},
      {2, -0.125, "-0.13"},
      {0, 2.5, "3"},
      {0, -2.5, "-3"},
      {0, 0.4, "0"},
      {2, 999.995, "1000.00"},  // binary 999.99500000000000454...: carries into a new digit
      {2, 2.675, "2.67"},       // binary 2.67499999999999982236...
      {3, 1.0005, "1.000"},     // binary 1.000499999999999945...: rounded once, at the 3rd
      {2, 0.005, "0.01"},
      {4, -12.3, "-12.3000"},
      {-1, 7.6, "8"},
      {2, 1e15, "1000000000000000.00"},
      {2, 1e17, "100000000000000000.0"},  // cut to 20 characters
      {2, 123456789.125, "123456789.13"},
      {2, std::numeric_limits<double>::infinity(), "0.00"},
      {2, std::nan(""), "0.00"},
      {1, 5e-324, "0.0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToFixed(c.decimals, c.in), c.out) << c.decimals << " " << c.in;
  }
}

TEST(FloatToFixed, KeepsEighteenSignificantDigits) {
  // 2^60 = 1152921504606846976 has 19 digits: the 19th is rounded away.
  EXPECT_EQ(FloatToFixed(0, 1152921504606846976.0), "1152921504606846980");
  EXPECT_EQ(FloatToFixed(2, 0.1), "0.10");
  EXPECT_EQ(FloatToFixed(20, 0.1), "0.100000000000000006");  // 18 digits, cut to 20 chars
}

TEST(RoundToDecimals, RoundsThroughTheFixedText) {
  EXPECT_EQ(RoundToDecimals(1234.567, 2), 1234.57);
  EXPECT_EQ(RoundToDecimals(-0.004, 2), 0.0);
  EXPECT_FALSE(std::signbit(RoundToDecimals(-0.004, 2)));
  EXPECT_EQ(RoundToDecimals(2.5, 0), 3.0);
}

TEST(FormatAmount, CommasStarsAndWidths) {
  const struct {
    int width;
    double in;
    const char* out;
  } cases[] = {
      {14, 1234567.891, "  1,234,567.89"},
      {12, 1234567.891, "1,234,567.89"},
      {10, 1234567.891, "1234567.89"},  // commas dropped to fit
      {8, 1234567.891, "********"},
      {12, -0.001, "        0.00"},
      {10, -1234.5, " -1,234.50"},
      {9, -1234.5, "-1,234.50"},
      {8, -1234.5, "-1234.50"},
      {7, 999.999, "1000.00"},
      {8, 999.999, "1,000.00"},
      {6, 999.99, "999.99"},
      {7, 100.0, " 100.00"},
      {15, -123456.0, "    -123,456.00"},
      {16, 1234567890.0, "1,234,567,890.00"},
      {20, 1e12, " 1000,000,000,000.00"},      // groups stop after three commas
      {30, 1.5, "                     1.50"},  // width capped at 25
      {0, 1.5, ""},
      {-3, 1.5, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatAmount(c.width, c.in), c.out) << c.width << " " << c.in;
  }
}

TEST(FormatAmount, WholeAndSpacelessForms) {
  EXPECT_EQ(FormatAmountNoSpaces(1234.5), "1,234.50");
  EXPECT_EQ(FormatAmountNoSpaces(-0.001), "0.00");
  const struct {
    int width;
    double in;
    const char* out;
  } cases[] = {
      {0, 1048576, "1,048,576"},
      {0, 1234.99, "1,234"},
      {0, 0, "0"},
      {0, 100000, "100,000"},
      {0, 50000, "50,000"},
      {8, 1234.99, "   1,234"},
      {2, 1234.0, "**"},  // FormatAmount(5) gives five stars, less the last three
      {-5, 1.0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatWholeAmount(c.width, c.in), c.out) << c.width << " " << c.in;
  }
}

}  // namespace
}  // namespace util

namespace util {
namespace {

TEST(FormatAmount, AlwaysExactlyItsWidthWhateverTheValue) {
  const double big = std::numeric_limits<double>::max();
  const double values[] = {0.0,
                           -0.0,
                           0.004,
                           -0.005,
                           1e17,
                           -1e17,
                           1e20,
                           -1e20,
                           1e300,
                           big,
                           -big,
                           5e-324,
                           std::numeric_limits<double>::infinity(),
                           std::nan("")};
  for (double v : values) {
    for (int width = 1; width <= kMaxAmountTextLength; ++width) {
      EXPECT_EQ(FormatAmount(width, v).size(), static_cast<size_t>(width)) << v << " " << width;
    }
    EXPECT_LE(FloatToFixed(2, v).size(), static_cast<size_t>(kMaxFixedTextLength)) << v;
    EXPECT_LE(FormatAmountNoSpaces(v).size(), 20u) << v;
  }
}

}  // namespace
}  // namespace util
