#include "util/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace util {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string WithoutChar(std::string_view text, char drop) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != drop) out.push_back(c);
  }
  return out;
}

// The value of a decimal number given as its digits, the position of the point within them
// and a decimal exponent, correctly rounded. `overflow` tells a too-large value from one too
// small for a double.
bool DecimalToDouble(const std::string& digits, long long exponent, double* value, bool* overflow) {
  *overflow = false;
  size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    *value = 0.0;
    return true;
  }
  // Clamp absurd exponents: far beyond any double either way.
  constexpr long long kLimit = 100000;
  if (exponent > kLimit) exponent = kLimit;
  if (exponent < -kLimit) exponent = -kLimit;
  std::string text = digits.substr(first);
  text += 'e';
  text += std::to_string(exponent);
  double v = 0.0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  (void)ptr;
  if (ec == std::errc::result_out_of_range) {
    // Magnitude of the number: count of its integer digits.
    long long magnitude = static_cast<long long>(digits.size() - first) + exponent;
    if (magnitude > 0) {
      *overflow = true;
      return false;
    }
    *value = 0.0;
    return true;
  }
  if (ec != std::errc()) return false;
  *value = v;
  return true;
}

// Result of scanning a decimal number: the digits of the mantissa, the decimal exponent that
// scales them, whether the text was read to its end, and the sign.
struct FloatScan {
  std::string digits;
  long long exponent = 0;
  bool negative = false;
  bool complete = false;
};

// Scans leading spaces, optional sign, digits, optional '.' and digits, optional exponent.
// `complete` is true when the whole text was one number with at least one mantissa digit.
FloatScan ScanFloat(std::string_view text) {
  FloatScan s;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    s.negative = text[i] == '-';
    ++i;
  }
  long long fraction_digits = 0;
  while (i < n && IsDigit(text[i])) s.digits.push_back(text[i++]);
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) {
      s.digits.push_back(text[i++]);
      ++fraction_digits;
    }
  }
  if (s.digits.empty()) return s;
  long long exp_value = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exp_negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      exp_negative = text[i] == '-';
      ++i;
    }
    if (i >= n || !IsDigit(text[i])) return s;
    while (i < n && IsDigit(text[i])) {
      if (exp_value < 1000000) exp_value = exp_value * 10 + (text[i] - '0');
      ++i;
    }
    if (exp_negative) exp_value = -exp_value;
  }
  if (i != n) return s;
  s.exponent = exp_value - fraction_digits;
  s.complete = true;
  return s;
}

// The digits read as a whole number (the lenient readers' result after an error).
double DigitsAsWholeNumber(const std::string& digits) {
  double v = 0.0;
  bool overflow = false;
  if (!DecimalToDouble(digits, 0, &v, &overflow)) {
    return overflow ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return v;
}

// Digits of the exact decimal expansion of |value| (finite): the integer digits (at least
// one) and the fraction digits.
void ExactDecimal(double value, std::string* int_digits, std::string* frac_digits) {
  // 1074 fractional digits hold every double exactly; 309 integer digits the largest.
  char buf[1500];
  auto [ptr, ec] =
      std::to_chars(buf, buf + sizeof(buf), std::fabs(value), std::chars_format::fixed, 1074);
  const size_t len = ec == std::errc() ? static_cast<size_t>(ptr - buf) : 0;
  size_t point = 0;
  while (point < len && buf[point] != '.') ++point;
  int_digits->assign(buf, point);
  if (point == 0) int_digits->push_back('0');
  frac_digits->clear();
  if (point < len) frac_digits->append(buf + point + 1, len - point - 1);
}

// Adds one unit at the last digit of `digits` (decimal string), growing it by a digit on carry.
void IncrementDigits(std::string* digits) {
  for (size_t i = digits->size(); i-- > 0;) {
    if ((*digits)[i] == '9') {
      (*digits)[i] = '0';
    } else {
      ++(*digits)[i];
      return;
    }
  }
  digits->insert(digits->begin(), '1');
}

// Inserts ',' before the 1-based position `pos` of s (clamped to the text).
void InsertCommaBefore(std::string* s, long pos) {
  long index = pos - 1;
  if (index < 0) index = 0;
  if (index > static_cast<long>(s->size())) index = static_cast<long>(s->size());
  s->insert(static_cast<size_t>(index), 1, ',');
}

}  // namespace

int32_t ParseIntLenient(std::string_view text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  uint32_t value = 0;
  bool any_digit = false;
  bool error = false;
  while (i < n) {
    const char c = text[i];
    if (hex) {
      const int d = HexValue(c);
      if (d < 0 || value > 0x0FFFFFFFu) {
        error = true;
        break;
      }
      value = value * 16 + static_cast<uint32_t>(d);
    } else {
      if (!IsDigit(c)) {
        error = true;
        break;
      }
      // The signed 32-bit range: up to 2147483647, or 2147483648 with a '-'.
      const uint64_t next = static_cast<uint64_t>(value) * 10 + static_cast<uint64_t>(c - '0');
      const uint64_t limit = negative ? 2147483648ull : 2147483647ull;
      if (next > limit) {
        error = true;
        break;
      }
      value = static_cast<uint32_t>(next);
    }
    any_digit = true;
    ++i;
  }
  if (!any_digit) return 0;
  if (error) return static_cast<int32_t>(value);
  if (negative) return static_cast<int32_t>(0u - value);
  return static_cast<int32_t>(value);
}

int32_t StrToIntNoCommas(std::string_view text) { return ParseIntLenient(WithoutChar(text, ',')); }

double ParseFloatLenient(std::string_view text) {
  FloatScan s = ScanFloat(text);
  if (!s.complete) return DigitsAsWholeNumber(s.digits);
  double v = 0.0;
  bool overflow = false;
  if (!DecimalToDouble(s.digits, s.exponent, &v, &overflow)) {
    v = overflow ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return s.negative ? -v : v;
}

double StrToFloatNoCommas(std::string_view text) {
  return ParseFloatLenient(WithoutChar(text, ','));
}

bool ParseCellFloat(std::string_view text, double* value) {
  if (text.empty() || text == "-") {
    *value = 0.0;
    return true;
  }
  FloatScan s = ScanFloat(text);
  if (!s.complete) return false;
  double v = 0.0;
  bool overflow = false;
  if (!DecimalToDouble(s.digits, s.exponent, &v, &overflow)) return false;
  *value = s.negative ? -v : v;
  return true;
}

std::string IntToText(int32_t n) { return std::to_string(n); }

std::string FloatToFixed(int decimals, double value) {
  if (decimals < 0) decimals = 0;
  // More decimals than the text can hold change nothing but the length.
  if (decimals > kMaxFixedTextLength) decimals = kMaxFixedTextLength;
  const std::string zero_text =
      decimals == 0 ? std::string("0") : "0." + std::string(static_cast<size_t>(decimals), '0');
  if (!std::isfinite(value)) return zero_text;

  std::string int_digits;
  std::string frac_digits;
  ExactDecimal(value, &int_digits, &frac_digits);

  // All digits in one string; keep = digits kept before rounding.
  std::string all = int_digits + frac_digits;
  const size_t int_len = int_digits.size();
  size_t first_significant = all.find_first_not_of('0');
  if (first_significant == std::string::npos) first_significant = all.size();
  constexpr size_t kSignificantDigits = 18;
  size_t keep = int_len + static_cast<size_t>(decimals);
  if (first_significant + kSignificantDigits < keep) keep = first_significant + kSignificantDigits;
  if (keep > all.size()) all.append(keep - all.size(), '0');
  const bool round_up = keep < all.size() && all[keep] >= '5';
  std::string kept = all.substr(0, keep);
  // Digits dropped inside the integer part (huge values) become zeros.
  size_t int_width = int_len;
  if (kept.size() < int_width + static_cast<size_t>(decimals)) {
    kept.append(int_width + static_cast<size_t>(decimals) - kept.size(), '0');
  }
  if (round_up) {
    // Round at position keep-1 of the padded digit string.
    std::string head = kept.substr(0, keep);
    std::string tail = kept.substr(keep);
    const size_t before = head.size();
    IncrementDigits(&head);
    if (head.size() > before) ++int_width;
    kept = head + tail;
  }
  std::string int_part = kept.substr(0, int_width);
  std::string frac_part = kept.substr(int_width);
  size_t nz = int_part.find_first_not_of('0');
  int_part = nz == std::string::npos ? "0" : int_part.substr(nz);

  std::string text;
  if (std::signbit(value)) text.push_back('-');
  text += int_part;
  if (decimals > 0) {
    text.push_back('.');
    text += frac_part;
  }
  if (text.size() > static_cast<size_t>(kMaxFixedTextLength)) text.resize(kMaxFixedTextLength);
  FloatScan back = ScanFloat(text);
  const bool reads_zero = !back.complete || back.digits.find_first_not_of('0') == std::string::npos;
  if (reads_zero) return zero_text;
  return text;
}

double RoundToDecimals(double value, int decimals) {
  return StrToFloatNoCommas(FloatToFixed(decimals, value));
}

std::string FormatAmount(int width, double value) {
  if (width > kMaxAmountTextLength) width = kMaxAmountTextLength;
  const double v = RoundToDecimals(value, kAmountDecimals);
  std::string s = FloatToFixed(kAmountDecimals, v);
  if (s.size() > static_cast<size_t>(kMaxAmountTextLength)) s.resize(kMaxAmountTextLength);
  const double magnitude = std::fabs(v);
  const long d = kAmountDecimals;
  if (magnitude >= 1000.0) InsertCommaBefore(&s, static_cast<long>(s.size()) - (d + 3));
  if (magnitude >= 1000000.0) InsertCommaBefore(&s, static_cast<long>(s.size()) - (d + 7));
  if (magnitude >= 1000000000.0) InsertCommaBefore(&s, static_cast<long>(s.size()) - (d + 11));
  if (width <= 0) return std::string();
  const size_t w = static_cast<size_t>(width);
  if (w < s.size()) s = WithoutChar(s, ',');
  if (w < s.size()) return std::string(w, '*');
  if (w > s.size()) s.insert(0, w - s.size(), ' ');
  return s;
}

std::string FormatAmountNoSpaces(double value) { return WithoutChar(FormatAmount(20, value), ' '); }

std::string FormatWholeAmount(int width, double value) {
  std::string s = width != 0 ? FormatAmount(width + 3, value) : FormatAmountNoSpaces(value);
  if (s.size() < 3) return std::string();
  s.resize(s.size() - 3);
  return s;
}

}  // namespace util
