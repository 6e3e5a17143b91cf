#include "util/dates.h"

#include <cmath>

namespace util {
namespace {

// Day 0 of the date values is 30 December 1899; days_from_civil counts from 1 January 1970.
constexpr long long kDay0FromUnixEpoch = -25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, long long m, long long d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int* year, int* month, int* day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  *year = static_cast<int>(y);
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

std::string TwoDigits(int n) {
  std::string s = std::to_string(n);
  return n < 10 ? "0" + s : s;
}

std::string ThaiShort(int year, int month, int day) {
  const std::string era_year = std::to_string(year + kBuddhistEraOffset);
  const std::string yy = era_year.size() > 2 ? era_year.substr(2, 2) : std::string();
  return TwoDigits(day) + "/" + TwoDigits(month) + "/" + yy;
}

}  // namespace

double MakeDate(int year, int month, int day) {
  return static_cast<double>(DaysFromCivil(year, month, day) - kDay0FromUnixEpoch);
}

bool SplitDate(double date, int* year, int* month, int* day) {
  if (!std::isfinite(date)) return false;
  // Years 1..9999 span these day numbers; anything beyond is no date.
  static const double kFirst = MakeDate(1, 1, 1);
  static const double kLast = MakeDate(9999, 12, 31);
  const double whole = std::trunc(date);
  if (whole < kFirst || whole > kLast) return false;
  CivilFromDays(static_cast<long long>(whole) + kDay0FromUnixEpoch, year, month, day);
  return true;
}

std::string DateToThaiShort(double date) {
  if (date == kNullDate) return std::string();
  int year = 0;
  int month = 0;
  int day = 0;
  if (!SplitDate(date, &year, &month, &day)) return std::string();
  return ThaiShort(year, month, day);
}

std::string TodayThaiShort() {
  const TodayParts today = GetTodayParts();
  return ThaiShort(today.year, today.month, today.day);
}

TodayParts GetTodayParts() {
  const CivilDate date = Today();
  TodayParts parts;
  parts.year = date.year;
  parts.month = date.month;
  parts.day = date.day;
  // 1970-01-01 was a Thursday (4).
  const long long days = DaysFromCivil(date.year, date.month, date.day);
  long long w = (days + 3) % 7;  // Monday = 0
  if (w < 0) w += 7;
  parts.weekday = static_cast<int>(w) + 1;
  return parts;
}

std::string ThaiShortToCompact(std::string_view text) {
  if (text.size() > 8) text = text.substr(0, 8);
  switch (text.size()) {
    case 0:
      return std::string();
    case 8:
      if (text[2] == ':') {
        return std::string(text.substr(0, 2)) + std::string(text.substr(3, 2)) +
               std::string(text.substr(6, 2));
      }
      return std::string(text.substr(6, 2)) + std::string(text.substr(3, 2)) +
             std::string(text.substr(0, 2));
    case 5:
      return std::string(text.substr(3, 2)) + std::string(text.substr(0, 2));
    default:
      return std::string();
  }
}

}  // namespace util
