// The one source of "today" for the whole program. Everything that needs the current date
// (the import's default date, the last-close date of the company information) asks
// util::Today(), so tests fix the date with SetTodayForTest and nothing else reads the system
// clock for a date.
//
// Contract that is easy to get wrong:
//  * The date is the local calendar date of the machine, in the Gregorian calendar.
//  * A fixed test date stays until ClearTodayForTest (or another SetTodayForTest); tests that
//    set it must clear it in their teardown so the next test sees the real clock.
//  * The installed Clock is borrowed, not owned; SetClock(nullptr) restores the system clock.
#pragma once

namespace util {

struct CivilDate {
  int year = 0;   // Gregorian, e.g. 2025
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual CivilDate Today() = 0;
};

// The system clock: today's local date.
Clock* SystemClock();

// Replaces the clock (nullptr: the system clock again). Not thread-safe; set it at start-up or
// in a test's set-up.
void SetClock(Clock* clock);

// Fixes today to the given date until ClearTodayForTest.
void SetTodayForTest(int year, int month, int day);
void ClearTodayForTest();

// Today from the installed clock.
CivilDate Today();

}  // namespace util
