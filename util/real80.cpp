#include "util/real80.h"

#include <bit>
#include <cstring>

namespace util {
namespace {

constexpr int kExponentBias = 16383;
constexpr uint16_t kExponentMax = 0x7FFF;
constexpr uint64_t kIntegerBit = 1ull << 63;
constexpr int kMantissaOffset = 0;
constexpr int kExponentOffset = 8;

constexpr int kDoubleBias = 1023;
constexpr uint64_t kDoubleFractionMask = (1ull << 52) - 1;

void PutU64(uint8_t* buf, int off, uint64_t v) {
  for (int i = 0; i < 8; ++i) buf[off + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t GetU64(const uint8_t* buf, int off) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(buf[off + i]) << (8 * i);
  return v;
}
void PutU16(uint8_t* buf, int off, uint16_t v) {
  buf[off] = static_cast<uint8_t>(v);
  buf[off + 1] = static_cast<uint8_t>(v >> 8);
}
uint16_t GetU16(const uint8_t* buf, int off) {
  return static_cast<uint16_t>(buf[off] | (buf[off + 1] << 8));
}

double FromBits(uint64_t bits) { return std::bit_cast<double>(bits); }

// Rounds mantissa >> shift to nearest, ties to even (shift 1..64; 64 and more keep nothing).
uint64_t ShiftRoundEven(uint64_t mantissa, int shift) {
  if (shift <= 0) return mantissa;
  if (shift > 64) return 0;
  if (shift == 64) return mantissa > kIntegerBit ? 1 : 0;
  const uint64_t kept = mantissa >> shift;
  const uint64_t rest = mantissa & ((1ull << shift) - 1);
  const uint64_t half = 1ull << (shift - 1);
  if (rest > half || (rest == half && (kept & 1) != 0)) return kept + 1;
  return kept;
}

}  // namespace

void EncodeReal80(double value, uint8_t out[kReal80Size]) {
  const uint64_t bits = std::bit_cast<uint64_t>(value);
  const uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & kDoubleFractionMask;
  uint16_t exp80 = 0;
  uint64_t mantissa = 0;
  if (exponent == 0x7FF) {
    exp80 = kExponentMax;
    // Infinity keeps only the integer bit; a NaN is written quiet with its payload.
    mantissa = kIntegerBit | (fraction << 11);
    if (fraction != 0) mantissa |= 1ull << 62;
  } else if (exponent == 0) {
    if (fraction != 0) {
      // Subnormal double: value = fraction * 2^-1074, normalised so the integer bit is set.
      const int lead = std::countl_zero(fraction);
      mantissa = fraction << lead;
      const int unbiased = (63 - lead) - 1074;
      exp80 = static_cast<uint16_t>(unbiased + kExponentBias);
    }
  } else {
    mantissa = kIntegerBit | (fraction << 11);
    exp80 = static_cast<uint16_t>(exponent - kDoubleBias + kExponentBias);
  }
  PutU64(out, kMantissaOffset, mantissa);
  PutU16(out, kExponentOffset, static_cast<uint16_t>(exp80 | sign));
}

double DecodeReal80(const uint8_t in[kReal80Size]) {
  uint64_t mantissa = GetU64(in, kMantissaOffset);
  const uint16_t top = GetU16(in, kExponentOffset);
  const uint64_t sign = (top & 0x8000) != 0 ? 1ull << 63 : 0;
  const int exp80 = top & kExponentMax;
  const uint64_t quiet_nan = 0x7FF8000000000000ull;
  const uint64_t infinity = 0x7FF0000000000000ull;

  if (exp80 == kExponentMax) {
    if ((mantissa & ~kIntegerBit) == 0) {
      // An infinity needs its integer bit; without it the pattern is malformed.
      return FromBits(sign | ((mantissa & kIntegerBit) != 0 ? infinity : quiet_nan));
    }
    if ((mantissa & kIntegerBit) == 0) return FromBits(sign | quiet_nan);
    const uint64_t payload = (mantissa >> 11) & kDoubleFractionMask;
    return FromBits(sign | infinity | payload | (1ull << 51));
  }
  if (mantissa == 0) return FromBits(sign);  // zero (also with a non-zero exponent)
  int unbiased;
  if (exp80 == 0) {
    // Denormal extended: mantissa * 2^(1 - bias - 63), far below any double.
    unbiased = 1 - kExponentBias;
  } else {
    if ((mantissa & kIntegerBit) == 0) return FromBits(sign | quiet_nan);  // unnormal
    unbiased = exp80 - kExponentBias;
  }
  // Normalise: value = mantissa * 2^(unbiased - 63) with the top bit set.
  const int lead = std::countl_zero(mantissa);
  mantissa <<= lead;
  unbiased -= lead;

  if (unbiased > kDoubleBias) return FromBits(sign | infinity);
  if (unbiased >= 1 - kDoubleBias) {
    uint64_t m53 = ShiftRoundEven(mantissa, 11);
    if (m53 == (1ull << 53)) {
      m53 >>= 1;
      ++unbiased;
      if (unbiased > kDoubleBias) return FromBits(sign | infinity);
    }
    const uint64_t biased = static_cast<uint64_t>(unbiased + kDoubleBias);
    return FromBits(sign | (biased << 52) | (m53 & kDoubleFractionMask));
  }
  // Subnormal double: units of 2^-1074. value = mantissa * 2^(unbiased - 63), so the count
  // of units is mantissa >> (63 - 1074 - unbiased) = mantissa >> (-1011 - unbiased).
  const long shift = -1011L - unbiased;
  const uint64_t units = ShiftRoundEven(mantissa, shift > 65 ? 65 : static_cast<int>(shift));
  // A carry into 2^52 yields the smallest normal, which the same bit pattern expresses.
  return FromBits(sign | units);
}

}  // namespace util
