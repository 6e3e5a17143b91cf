#include "util/real80.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace util {
namespace {

using Bytes = std::array<uint8_t, kReal80Size>;

Bytes Encode(double v) {
  Bytes b{};
  EncodeReal80(v, b.data());
  return b;
}

// Builds the 10 bytes from a mantissa and the sign/exponent word.
Bytes Make(uint64_t mantissa, uint16_t sign_exponent) {
  Bytes b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(mantissa >> (8 * i));
  b[8] = static_cast<uint8_t>(sign_exponent);
  b[9] = static_cast<uint8_t>(sign_exponent >> 8);
  return b;
}

uint64_t Bits(double v) { return std::bit_cast<uint64_t>(v); }

TEST(EncodeReal80, KnownEncodings) {
  const double min_subnormal = std::numeric_limits<double>::denorm_min();
  const struct {
    double in;
    Bytes out;
  } cases[] = {
      {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {-2.5, {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}},
      // 0.1 as a double (not as an extended): mantissa 0xCCCCCCCCCCCCD000, exponent -4.
      {0.1, {0x00, 0xD0, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F}},
      {1234.5, {0, 0, 0, 0, 0, 0, 0x50, 0x9A, 0x09, 0x40}},
      // The smallest subnormal double, 2^-1074, becomes a normal extended.
      {min_subnormal, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B}},
      // The largest subnormal double, (2^52 - 1) * 2^-1074.
      {std::bit_cast<double>(0x000FFFFFFFFFFFFFull),
       {0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x3C}},
      {std::numeric_limits<double>::max(),
       {0x00, 0xF8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x43}},
      {std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F}},
      {-std::numeric_limits<double>::infinity(), {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0xFF}},
      {std::numeric_limits<double>::quiet_NaN(), {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F}},
  };
  for (const auto& c : cases) EXPECT_EQ(Encode(c.in), c.out) << c.in;
}

TEST(Real80, EveryDoubleSurvivesTheRoundTrip) {
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 200000; ++i) {
    const double v = std::bit_cast<double>(rng());
    const Bytes b = Encode(v);
    const double back = DecodeReal80(b.data());
    if (std::isnan(v)) {
      EXPECT_TRUE(std::isnan(back));
      EXPECT_EQ(std::signbit(back), std::signbit(v));
    } else {
      ASSERT_EQ(Bits(back), Bits(v)) << v;
    }
  }
  for (uint64_t bits : {0x0000000000000001ull, 0x000FFFFFFFFFFFFFull, 0x0010000000000000ull,
                        0x8000000000000001ull, 0x7FEFFFFFFFFFFFFFull}) {
    const double v = std::bit_cast<double>(bits);
    EXPECT_EQ(Bits(DecodeReal80(Encode(v).data())), bits);
  }
}

TEST(DecodeReal80, RoundsToNearestEven) {
  const uint16_t one_exp = 0x3FFF;
  const double ulp1 = std::ldexp(1.0, -52);
  const struct {
    uint64_t mantissa;
    uint16_t sign_exponent;
    double out;
  } cases[] = {
      {0x8000000000000400ull, one_exp, 1.0},             // tie, even stays
      {0x8000000000000401ull, one_exp, 1.0 + ulp1},      // above the tie
      {0x8000000000000C00ull, one_exp, 1.0 + 2 * ulp1},  // tie, odd goes up
      {0x80000000000003FFull, one_exp, 1.0},             // below the tie
      {0xFFFFFFFFFFFFFC00ull, one_exp, 2.0},             // carry into the exponent
      {0xFFFFFFFFFFFFFFFFull, 0x43FE, std::numeric_limits<double>::infinity()},  // overflow
      {0x8000000000000000ull, 0x43FF, std::numeric_limits<double>::infinity()},  // 2^1024
      {0x8000000000000000ull, 0x3FFF - 1075, 0.0},  // half the least subnormal: even
      {0xC000000000000000ull, 0x3FFF - 1075, std::numeric_limits<double>::denorm_min()},
      {0x8000000000000000ull, 0x3FFF - 1074, std::numeric_limits<double>::denorm_min()},
      {0x8000000000000000ull, 0x3FFF - 1022, std::numeric_limits<double>::min()},
      // Just below the smallest normal, rounding up into it.
      {0xFFFFFFFFFFFFFFFFull, 0x3FFF - 1023, std::numeric_limits<double>::min()},
      {0x8000000000000000ull, 0x0001, 0.0},  // far below any double
      {0x0000000000000001ull, 0x0000, 0.0},  // denormal extended
      {0x0000000000000001ull, 0x8000, -0.0},
      {0x0000000000000000ull, 0x4000, 0.0},  // zero mantissa, any exponent
  };
  for (const auto& c : cases) {
    const Bytes b = Make(c.mantissa, c.sign_exponent);
    const double v = DecodeReal80(b.data());
    EXPECT_EQ(Bits(v), Bits(c.out)) << std::hex << c.mantissa << " " << c.sign_exponent;
  }
}

TEST(DecodeReal80, MalformedPatternsDecodeAsNaN) {
  const struct {
    uint64_t mantissa;
    uint16_t sign_exponent;
  } cases[] = {
      {0x4000000000000000ull, 0x3FFF},  // unnormal: exponent without the integer bit
      {0x7FFFFFFFFFFFFFFFull, 0x4000}, {0x0000000000000000ull, 0x7FFF},  // pseudo-infinity
      {0x4000000000000000ull, 0x7FFF},                                   // pseudo-NaN
      {0xC000000000000000ull, 0xFFFF},                                   // a real quiet NaN
  };
  for (const auto& c : cases) {
    const Bytes b = Make(c.mantissa, c.sign_exponent);
    EXPECT_TRUE(std::isnan(DecodeReal80(b.data()))) << std::hex << c.mantissa;
  }
  const Bytes inf = Make(0x8000000000000000ull, 0xFFFF);
  EXPECT_EQ(DecodeReal80(inf.data()), -std::numeric_limits<double>::infinity());
}

// Where the compiler's long double is the x87 extended format, it serves as an independent
// oracle for random bit patterns of every class.
TEST(DecodeReal80, AgreesWithTheHardwareExtendedWhereThereIsOne) {
  if constexpr (std::numeric_limits<long double>::digits != 64 || sizeof(long double) < 10) {
    GTEST_SKIP() << "no 80-bit long double on this target";
  } else {
    std::mt19937_64 rng(99);
    std::uniform_int_distribution<int> exponent(0x3FFF - 1100, 0x3FFF + 1100);
    for (int i = 0; i < 200000; ++i) {
      uint64_t mantissa = rng() | (1ull << 63);
      if (i % 4 == 0) mantissa &= ~0x3FFull;  // many exact ties
      if (i % 4 == 1) mantissa = (mantissa & ~0x7FFull) | 0x400;
      const uint16_t se = static_cast<uint16_t>(exponent(rng) | ((i & 8) != 0 ? 0x8000 : 0));
      const Bytes b = Make(mantissa, se);
      long double x = 0;
      std::memcpy(&x, b.data(), kReal80Size);
      const double expected = static_cast<double>(x);
      ASSERT_EQ(Bits(DecodeReal80(b.data())), Bits(expected)) << std::hex << mantissa << " " << se;
      Bytes again{};
      long double y = expected;
      std::memcpy(again.data(), &y, kReal80Size);
      ASSERT_EQ(Encode(expected), again);
    }
  }
}

}  // namespace
}  // namespace util
