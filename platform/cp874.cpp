#include "platform/cp874.h"

#include <array>

namespace platform {
namespace {

constexpr char32_t kPrivateUseBase = 0xF700;
constexpr char32_t kUnassigned = 0;

// Code points of bytes 0x80-0xFF; kUnassigned where the code page defines nothing.
constexpr std::array<char32_t, 128> BuildHighTable() {
  std::array<char32_t, 128> t{};
  t[0x80 - 0x80] = 0x20AC;  // euro sign
  t[0x85 - 0x80] = 0x2026;  // horizontal ellipsis
  t[0x91 - 0x80] = 0x2018;  // left single quotation mark
  t[0x92 - 0x80] = 0x2019;  // right single quotation mark
  t[0x93 - 0x80] = 0x201C;  // left double quotation mark
  t[0x94 - 0x80] = 0x201D;  // right double quotation mark
  t[0x95 - 0x80] = 0x2022;  // bullet
  t[0x96 - 0x80] = 0x2013;  // en dash
  t[0x97 - 0x80] = 0x2014;  // em dash
  t[0xA0 - 0x80] = 0x00A0;  // no-break space
  for (int b = 0xA1; b <= 0xDA; ++b) t[b - 0x80] = 0x0E01 + (b - 0xA1);
  for (int b = 0xDF; b <= 0xFB; ++b) t[b - 0x80] = 0x0E3F + (b - 0xDF);
  return t;
}

constexpr std::array<char32_t, 128> kHigh = BuildHighTable();

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    // Every code point this file produces lies below U+10000.
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes one UTF-8 character at s[i]. Returns the number of bytes consumed (at least 1) and
// stores the code point, or returns 1 with *valid false for malformed input.
size_t DecodeUtf8(std::string_view s, size_t i, char32_t* cp, bool* valid) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  *valid = false;
  size_t need;
  char32_t value;
  char32_t min;
  if (b0 < 0x80) {
    *cp = b0;
    *valid = true;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1, value = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2, value = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3, value = b0 & 0x07, min = 0x10000;
  } else {
    return 1;
  }
  if (s.size() - i - 1 < need) return 1;
  for (size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 1;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  *cp = value;
  *valid = true;
  return need + 1;
}

}  // namespace

char32_t Cp874ByteToUnicode(unsigned char byte) {
  if (byte < 0x80) return byte;
  const char32_t cp = kHigh[byte - 0x80];
  return cp == kUnassigned ? kPrivateUseBase + byte : cp;
}

bool UnicodeToCp874Byte(char32_t cp, unsigned char* byte) {
  if (cp < 0x80) {
    *byte = static_cast<unsigned char>(cp);
    return true;
  }
  if (cp >= kPrivateUseBase + 0x80 && cp <= kPrivateUseBase + 0xFF) {
    const unsigned b = cp - kPrivateUseBase;
    if (kHigh[b - 0x80] != kUnassigned) return false;  // assigned bytes use their own code point
    *byte = static_cast<unsigned char>(b);
    return true;
  }
  if (cp >= 0x0E01 && cp <= 0x0E5B) {
    if (cp > 0x0E3A && cp < 0x0E3F) return false;  // U+0E3B-U+0E3E are unassigned
    const unsigned b = cp <= 0x0E3A ? 0xA1 + (cp - 0x0E01) : 0xDF + (cp - 0x0E3F);
    *byte = static_cast<unsigned char>(b);
    return true;
  }
  for (unsigned b = 0x80; b <= 0xA0; ++b) {
    if (kHigh[b - 0x80] == cp) {
      *byte = static_cast<unsigned char>(b);
      return true;
    }
  }
  return false;
}

std::string Cp874ToUtf8(std::string_view cp874) {
  std::string out;
  out.reserve(cp874.size() * 3);
  for (char c : cp874) AppendUtf8(Cp874ByteToUnicode(static_cast<unsigned char>(c)), &out);
  return out;
}

std::string Utf8ToCp874(std::string_view utf8, bool* lossless) {
  std::string out;
  out.reserve(utf8.size());
  bool exact = true;
  for (size_t i = 0; i < utf8.size();) {
    char32_t cp = 0;
    bool valid = false;
    i += DecodeUtf8(utf8, i, &cp, &valid);
    unsigned char byte = 0;
    if (valid && UnicodeToCp874Byte(cp, &byte)) {
      out.push_back(static_cast<char>(byte));
    } else {
      out.push_back('?');
      exact = false;
    }
  }
  if (lossless) *lossless = exact;
  return out;
}

}  // namespace platform
