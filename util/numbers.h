// Reading and writing numbers the way people type them and the way the suite's screens and
// files show them. The decimal point is always '.' and the thousands separator always ','; the
// locale is never consulted. Used by the import (integer and real columns), the settings files,
// the recovery question (file sizes) and the fatal error report (status codes).
//
// Contract that is easy to get wrong:
//  * The lenient readers never fail: on the first character that does not fit they return the
//    digits read so far WITHOUT the sign ('-12abc' gives 12, '-5 ' gives 5). Only a text that is
//    read to its end keeps its sign.
//  * ParseCellFloat is the strict reader of a table cell holding a real number: the whole text
//    must be one decimal number (no commas, nothing after it). It is the only reader here that
//    reports failure, and callers stop with kCellNotFloatMessage when it does.
//  * FloatToFixed never returns a negative zero text ("-0.00" becomes "0.00") and never more
//    than 20 characters; amount texts are never more than 25 characters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace util {

// Number of decimal places of amounts.
constexpr int kAmountDecimals = 2;
// Longest fixed-point text FloatToFixed returns, and longest amount text.
constexpr int kMaxFixedTextLength = 20;
constexpr int kMaxAmountTextLength = 25;

// The error report of a table cell that is not a real number (ParseCellFloat fails).
inline constexpr char kCellNotFloatMessage[] = "Cell does not contain a float value";

// Lenient integer reading: leading spaces, one optional '+' or '-', then decimal digits, or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". A text read to its end gives the signed
// value. Any unfit character, no digit at all, or a value that would leave the signed 32-bit
// range stops the reading; the result is then the value of the digits read before, unsigned.
// Hexadecimal values up to FFFFFFFF wrap into the signed range ("$FFFFFFFF" gives -1).
int32_t ParseIntLenient(std::string_view text);
// Every ',' removed, then ParseIntLenient ("1,234" gives 1234, "-1,000" gives -1000).
int32_t StrToIntNoCommas(std::string_view text);

// Lenient decimal reading: leading spaces, optional sign, digits, optional '.' and digits,
// optional 'E'/'e' with optional sign and at least one digit. A text read to its end gives its
// value; otherwise the result is the mantissa digits read so far taken as one whole number,
// without point, exponent or sign ("12.5x" gives 125).
double ParseFloatLenient(std::string_view text);
// Every ',' removed, then ParseFloatLenient.
double StrToFloatNoCommas(std::string_view text);

// The strict reading of a table cell as a real number. An empty cell or a cell holding exactly
// "-" reads as 0. Otherwise the whole text must be: optional leading spaces, optional sign,
// digits with an optional '.' and fraction digits, optional 'E'/'e' with optional sign and
// digits. Returns false (and leaves *value untouched) for any other text, including thousands
// commas, trailing spaces and numbers too large for a double; a number too small for a double
// reads as zero.
bool ParseCellFloat(std::string_view text, double* value);

// The decimal text of n: '-' before a negative value, nothing else.
std::string IntToText(int32_t n);

// Fixed-point text of value with exactly `decimals` digits after '.', none and no '.' when
// decimals is 0 (negative counts as 0). Digits come from the value's exact decimal expansion
// cut to 18 significant digits and rounded half away from zero at the last digit kept
// (0.125 gives "0.13" with 2 decimals, 2.5 gives "3" with 0). The text is cut to 20
// characters; a text that reads back as zero is the text of +0 ("0.00"). Infinities and NaN
// give the text of +0 as well.
std::string FloatToFixed(int decimals, double value);
// StrToFloatNoCommas(FloatToFixed(decimals, value)).
double RoundToDecimals(double value, int decimals);

// The amount rounded to kAmountDecimals, with thousands commas, right-aligned in `width`
// characters (width is capped at 25). When it does not fit, the commas are dropped; when it
// still does not fit, the text is `width` stars. Width 0 or less gives the empty text.
std::string FormatAmount(int width, double value);
// FormatAmount(20, value) with every space removed.
std::string FormatAmountNoSpaces(double value);
// FormatAmount(width + 3, value) (FormatAmountNoSpaces when width is 0) without its last three
// characters: the decimals are cut, not rounded ("1,234" for 1234.99). Used for file sizes.
std::string FormatWholeAmount(int width, double value);

}  // namespace util
