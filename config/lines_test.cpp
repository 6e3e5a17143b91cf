#include "config/lines.h"

#include <gtest/gtest.h>

namespace config {
namespace {

TEST(SplitLines, EveryLineEndCountsAndNothingIsAdded) {
  const struct {
    const char* in;
    LineTable out;
  } cases[] = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"", {}},
      {"\r\n\r\n", {"", ""}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitLines(c.in), c.out) << c.in;
}

TEST(JoinLinesCrLf, EndsEveryLineAndDropsEmptyOnesOnRequest) {
  EXPECT_EQ(JoinLinesCrLf({"a", "", "b"}, false), "a\r\n\r\nb\r\n");
  EXPECT_EQ(JoinLinesCrLf({"a", "", "b"}, true), "a\r\nb\r\n");
}

TEST(SetSettingLine, ReplacesFirstMatchIgnoringCaseElseAppends) {
  LineTable t = {"", "KEY_X=1", "key=old", "KEY=second", ";KEY=comment"};
  SetSettingLine(t, "KEY", "new");
  EXPECT_EQ(t, (LineTable{"", "KEY_X=1", "KEY=new", "KEY=second", ";KEY=comment"}));
  SetSettingLine(t, "OTHER", "");
  EXPECT_EQ(t.back(), "OTHER=");
  EXPECT_EQ(t.size(), 6u);
}

}  // namespace
}  // namespace config
