#include "core/local_time.h"

#include <ctime>

namespace vorlix {

LocalTime localTimeOf(std::chrono::system_clock::time_point at) {
  const std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  // The reentrant forms: the standard's std::localtime shares one buffer.
#ifdef _WIN32
  if (localtime_s(&tm, &t) != 0) return {};
#else
  if (localtime_r(&t, &tm) == nullptr) return {};
#endif
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace vorlix
