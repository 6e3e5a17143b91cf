#include "util/text.h"

#include <gtest/gtest.h>

namespace util {
namespace {

TEST(UpperCaseAscii, ChangesOnlyLatinLetters) {
  // Thai ko kai, kho khai, and bytes just outside 'a'..'z' stay as they are.
  EXPECT_EQ(UpperCaseAscii("ab12\xA1\xA2"), "AB12\xA1\xA2");
  EXPECT_EQ(UpperCaseAscii("`az{"), "`AZ{");
  EXPECT_EQ(UpperCaseAscii(""), "");
  EXPECT_EQ(UpperCaseAscii(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(RepeatChar, CountsBelowOneGiveNothing) {
  EXPECT_EQ(RepeatChar(' ', 3), "   ");
  EXPECT_EQ(RepeatChar('*', 1), "*");
  EXPECT_EQ(RepeatChar(' ', 0), "");
  EXPECT_EQ(RepeatChar(' ', -2), "");
}

TEST(FitToWidth, CutsOrPadsToExactlyTheWidth) {
  const struct {
    const char* in;
    int width;
    const char* out;
  } cases[] = {
      {"ABC", 5, "ABC  "},
      {"ABCDEF", 3, "ABC"},
      {"", 2, "  "},
      {"ABC", 3, "ABC"},
      {"ABC", 0, ""},
      {"ABC", -1, ""},
      {"", 0, ""},
      // A byte cut: the tone mark (0xE8) after the consonant is lost.
      {"\xA1\xE8\xA2", 1, "\xA1"},
  };
  for (const auto& c : cases) EXPECT_EQ(FitToWidth(c.in, c.width), c.out) << c.in << "/" << c.width;
}

}  // namespace
}  // namespace util
