#include "util/dates.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace util {
namespace {

class TodayTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearTodayForTest(); }
};

TEST(DateToThaiShort, WritesTheBuddhistEraYearInTwoDigits) {
  const struct {
    int y, m, d;
    const char* out;
  } cases[] = {
      {2024, 2, 1, "01/02/67"},   {1999, 12, 31, "31/12/42"}, {2025, 3, 1, "01/03/68"},
      {1899, 12, 30, "30/12/42"}, {1957, 1, 1, "01/01/00"},   {2000, 2, 29, "29/02/43"},
      {2456, 5, 9, "09/05/99"},   {1, 1, 1, "01/01/4"},  // a three-digit era year has no 4th
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateToThaiShort(MakeDate(c.y, c.m, c.d)), c.out) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(DateToThaiShort, DateValuesAndMissingDates) {
  EXPECT_EQ(MakeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(MakeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(MakeDate(2024, 2, 1), 45323.0);
  // The time of day does not change the date, on either side of day 0.
  EXPECT_EQ(DateToThaiShort(45323.75), "01/02/67");
  EXPECT_EQ(DateToThaiShort(-0.5), "30/12/42");
  EXPECT_EQ(DateToThaiShort(-1.5), "29/12/42");
  EXPECT_EQ(DateToThaiShort(kNullDate), "");
  // Values that are no date at all give no text rather than garbage.
  EXPECT_EQ(DateToThaiShort(std::nan("")), "");
  EXPECT_EQ(DateToThaiShort(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(DateToThaiShort(1e12), "");
  EXPECT_EQ(DateToThaiShort(-800000.0), "");
}

TEST(SplitDate, InvertsMakeDateAcrossTheCalendar) {
  for (double d = MakeDate(1, 1, 1); d <= MakeDate(9999, 12, 31); d += 997.0) {
    int y = 0, m = 0, day = 0;
    ASSERT_TRUE(SplitDate(d, &y, &m, &day)) << d;
    EXPECT_EQ(MakeDate(y, m, day), d);
    EXPECT_GE(m, 1);
    EXPECT_LE(m, 12);
    EXPECT_GE(day, 1);
    EXPECT_LE(day, 31);
  }
}

TEST_F(TodayTest, TodayComesFromTheInjectedClock) {
  SetTodayForTest(2025, 3, 1);
  EXPECT_EQ(TodayThaiShort(), "01/03/68");
  EXPECT_EQ(ThaiShortToCompact(TodayThaiShort()), "680301");
  const TodayParts p = GetTodayParts();
  EXPECT_EQ(p.year, 2025);
  EXPECT_EQ(p.month, 3);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.weekday, 6);  // a Saturday
}

TEST_F(TodayTest, WeekdayRunsFromMondayOneToSundaySeven) {
  const struct {
    int y, m, d, weekday;
  } cases[] = {
      {2024, 1, 1, 1},   {2024, 1, 7, 7}, {2024, 2, 29, 4}, {1970, 1, 1, 4},
      {1899, 12, 30, 6}, {2000, 1, 2, 7}, {1600, 3, 1, 3},
  };
  for (const auto& c : cases) {
    SetTodayForTest(c.y, c.m, c.d);
    EXPECT_EQ(GetTodayParts().weekday, c.weekday) << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST_F(TodayTest, AnInstalledClockIsAskedEachTime) {
  struct CountingClock : Clock {
    int calls = 0;
    CivilDate Today() override {
      ++calls;
      return CivilDate{2023, 12, 31};
    }
  } clock;
  SetClock(&clock);
  EXPECT_EQ(TodayThaiShort(), "31/12/66");
  EXPECT_EQ(GetTodayParts().weekday, 7);
  EXPECT_EQ(clock.calls, 2);
  SetClock(nullptr);
  // Back on the system clock: a real, plausible date.
  const TodayParts p = GetTodayParts();
  EXPECT_GE(p.year, 2020);
  EXPECT_EQ(clock.calls, 2);
}

TEST(ThaiShortToCompact, TakesCharactersByPosition) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"01/02/67", "670201"},
      {"13:45:09", "134509"},
      {"02/67", "6702"},
      {"01-02-67", "670201"},
      {"15/03/68", "680315"},
      {"1/3/2568", "68/21/"},
      {"2025-3-1", "-15-20"},
      {"", ""},
      {"01/02/67 extra", "670201"},  // only the first 8 characters count
      {"1/2/67", ""},                // no compact form for other lengths
      {"0", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ThaiShortToCompact(c.in), c.out) << "'" << c.in << "'";
}

}  // namespace
}  // namespace util
