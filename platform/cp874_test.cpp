#include "platform/cp874.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Cp874, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  bool lossless = false;
  EXPECT_EQ(Utf8ToCp874(Cp874ToUtf8(all), &lossless), all);
  EXPECT_TRUE(lossless);
}

TEST(Cp874, MapsTheThaiAndPunctuationBytes) {
  const struct {
    unsigned char byte;
    const char* utf8;
  } cases[] = {
      {0x41, "A"},      {0x80, "\u20AC"}, {0x85, "\u2026"}, {0x91, "\u2018"},
      {0x97, "\u2014"}, {0xA0, "\u00A0"}, {0xA1, "\u0E01"},  // first consonant
      {0xDA, "\u0E3A"}, {0xDF, "\u0E3F"},                    // baht sign
      {0xFB, "\u0E5B"}, {0x81, "\uF781"},  // unassigned bytes travel as private-use code points
      {0xDB, "\uF7DB"}, {0xFF, "\uF7FF"},
  };
  for (const auto& c : cases) {
    const std::string one(1, static_cast<char>(c.byte));
    EXPECT_EQ(Cp874ToUtf8(one), c.utf8) << int(c.byte);
    bool lossless = false;
    EXPECT_EQ(Utf8ToCp874(c.utf8, &lossless), one) << int(c.byte);
    EXPECT_TRUE(lossless) << int(c.byte);
  }
}

TEST(Cp874, UnmappableAndMalformedUtf8BecomesQuestionMarks) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"a\u00E9b", "a?b"},           // a letter the code page lacks
      {"\u0E3B", "?"},               // unassigned inside the Thai block
      {"\uF7A1", "?"},               // private use for an assigned byte is not ours
      {"\xF0\x9F\x98\x80", "?"},     // outside the basic plane
      {"x\xC3", "x?"},               // truncated at the end: never read past it
      {"\xE0\xB8", "??"},            // truncated three-byte form
      {"\xC0\xAF", "??"},            // overlong
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // above U+10FFFF
      {"\x80z", "?z"},               // stray continuation
  };
  for (const auto& c : cases) {
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp874(c.in, &lossless), c.out) << c.in;
    EXPECT_FALSE(lossless) << c.in;
  }
}

}  // namespace
}  // namespace platform
