#include "util/display_text.h"

#include <gtest/gtest.h>

namespace util {
namespace {

TEST(DisplayText, EveryStoredByteComesBackAndUnstorableTextIsFlagged) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  bool lossless = false;
  EXPECT_EQ(FromDisplay(ToDisplay(all), &lossless), all);
  EXPECT_TRUE(lossless);
  // ko kai and sara aa: U+0E01, U+0E32.
  EXPECT_EQ(ToDisplay("\xA1\xD2"), "\xE0\xB8\x81\xE0\xB8\xB2");
  // A Greek letter has no place in the code page: replaced and reported.
  EXPECT_EQ(FromDisplay("A\xCE\xA9", &lossless), "A?");
  EXPECT_FALSE(lossless);
}

}  // namespace
}  // namespace util
