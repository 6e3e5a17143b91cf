// Byte-wise helpers for the single-byte (code page 874) texts the system stores. Used where
// texts become keys or fixed-width fields: the customer code of an imported row, the name part
// of a customer key, the normalisation of settings lines.
//
// Contract that is easy to get wrong:
//  * Lengths and widths count bytes. A Thai vowel sign or tone mark is a byte of its own, so
//    FitToWidth may cut a consonant from its tone mark; keys depend on exactly this plain cut.
//  * UpperCaseAscii changes only the bytes 'a'..'z'; the locale is never consulted, so Thai
//    bytes (0xA1..0xFB) and every other byte pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace util {

// A copy of `text` with 'a'..'z' replaced by 'A'..'Z'; every other byte unchanged.
std::string UpperCaseAscii(std::string_view text);

// `count` copies of the byte `ch`; the empty text when count is 0 or negative.
std::string RepeatChar(char ch, int count);

// Exactly `width` bytes: the first `width` bytes of a longer text, or the text padded with
// spaces on the right. The empty text when width is 0 or negative.
std::string FitToWidth(std::string_view text, int width);

}  // namespace util
