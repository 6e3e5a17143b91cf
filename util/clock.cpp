#include "util/clock.h"

#include <ctime>

namespace util {
namespace {

class LocalClock : public Clock {
 public:
  CivilDate Today() override {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
#if defined(_WIN32)
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    return CivilDate{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
  }
};

class FixedClock : public Clock {
 public:
  CivilDate date;
  CivilDate Today() override { return date; }
};

FixedClock& TestClock() {
  static FixedClock clock;
  return clock;
}

Clock* g_clock = nullptr;

}  // namespace

Clock* SystemClock() {
  static LocalClock clock;
  return &clock;
}

void SetClock(Clock* clock) { g_clock = clock; }

void SetTodayForTest(int year, int month, int day) {
  TestClock().date = CivilDate{year, month, day};
  g_clock = &TestClock();
}

void ClearTodayForTest() { g_clock = nullptr; }

CivilDate Today() { return (g_clock != nullptr ? g_clock : SystemClock())->Today(); }

}  // namespace util
