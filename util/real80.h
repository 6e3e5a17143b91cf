// The 10-byte IEEE-754 extended real that records of the suite store (sign bit, 15-bit
// exponent biased by 16383, explicit integer bit, 64-bit mantissa; bytes 0..7 the mantissa
// little-endian, bytes 8..9 exponent and sign). Written from the bit layout alone: it does not
// use the compiler's long double, which is not 80 bits wide on every target. Used by the record
// builders of the data files.
//
// Contract that is easy to get wrong:
//  * Encoding is exact for every double: subnormal doubles become normal extendeds, signed
//    zeros, infinities and NaN keep their sign (NaN is written quiet, payload kept).
//  * Decoding rounds to nearest, ties to even, including into the double's subnormal range;
//    values beyond the double's range become infinities, values below it signed zeros. The
//    bytes come from files and are untrusted: every pattern decodes without fault, and
//    malformed ones (an exponent with no integer bit, "unnormals") decode as NaN.
#pragma once

#include <cstdint>

namespace util {

constexpr int kReal80Size = 10;

void EncodeReal80(double value, uint8_t out[kReal80Size]);
double DecodeReal80(const uint8_t in[kReal80Size]);

}  // namespace util
