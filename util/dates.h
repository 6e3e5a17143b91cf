// Dates as the suite shows and stores them: the short Thai date dd/mm/yy with the two-digit
// Buddhist-era year (Gregorian + 543, whatever the system calendar), and the compact yymmdd /
// hhmmss / yymm texts that records and keys store. Used by the import (every date column and
// the default date of a row), the company information (last-close date) and settings files.
//
// Contract that is easy to get wrong:
//  * A date value is a count of days since 30 December 1899 (day 0); its integer part, cut
//    toward zero, is the date. kNullDate (-700000) stands for a missing date and gives "".
//  * ThaiShortToCompact takes characters by position and checks nothing: "1/3/2568" gives
//    "68/21/". Only texts of 0, 5 or 8 characters (after a cut to 8) have a compact form; any
//    other length gives the empty text.
//  * Today comes from util::Today() (util/clock.h), so tests fix it there.
#pragma once

#include <string>
#include <string_view>

#include "util/clock.h"

namespace util {

constexpr double kNullDate = -700000.0;
// Offset added to a Gregorian year to give the Buddhist-era year.
constexpr int kBuddhistEraOffset = 543;

// The date value of a Gregorian date (no range check beyond what the arithmetic needs).
double MakeDate(int year, int month, int day);
// Splits a date value; false (and nothing written) for NaN, infinities and dates outside the
// years 1..9999.
bool SplitDate(double date, int* year, int* month, int* day);

// dd/mm/yy of a date value, yy the 3rd and 4th characters of the Buddhist-era year; "" for
// kNullDate and for values that are no date at all.
std::string DateToThaiShort(double date);
// dd/mm/yy of today.
std::string TodayThaiShort();

struct TodayParts {
  int year = 0;     // Gregorian
  int month = 0;    // 1..12
  int day = 0;      // 1..31
  int weekday = 0;  // Monday = 1 .. Sunday = 7
};
TodayParts GetTodayParts();

// Compact form of (the first 8 characters of) text: "" for "", hhmmss for an 8-character text
// whose 3rd character is ':', yymmdd for any other 8-character text, yymm for a 5-character
// month mm/yy, "" for every other length.
std::string ThaiShortToCompact(std::string_view text);

}  // namespace util
