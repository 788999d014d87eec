// A moment as the user's clock shows it, for the texts that tell the time.
#pragma once

#include <chrono>

namespace vorlix {

struct LocalTime {
  int year = 0;
  int month = 0;  // 1 to 12
  int day = 0;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool sameDayAs(const LocalTime& other) const {
    return year == other.year && month == other.month && day == other.day;
  }
  bool operator==(const LocalTime&) const = default;
};

// In the time zone the C runtime knows (on Windows, the system's).
LocalTime localTimeOf(std::chrono::system_clock::time_point at);

}  // namespace vorlix
