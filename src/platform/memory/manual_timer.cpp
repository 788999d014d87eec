#include "platform/memory/manual_timer.h"

namespace vorlix {

// Like a window timer: a new interval or a switch-on restarts the count.
void ManualTimer::setInterval(std::int32_t milliseconds) {
  if (log) log->push_back(L"interval " + std::to_wstring(milliseconds));
  interval_ = milliseconds;
  nextFiring_ = now_ + interval_;
}

void ManualTimer::setEnabled(bool enabled) {
  if (log) log->push_back(enabled ? L"timer on" : L"timer off");
  if (enabled && !enabled_) nextFiring_ = now_ + interval_;
  enabled_ = enabled;
}

int ManualTimer::advance(std::int64_t milliseconds) {
  const std::int64_t until = now_ + milliseconds;
  int fired = 0;
  while (enabled_ && interval_ > 0 && nextFiring_ <= until) {
    now_ = nextFiring_;
    nextFiring_ = now_ + interval_;
    ++fired;
    if (onFire) onFire();  // may switch the timer or change the interval
  }
  now_ = until;
  return fired;
}

}  // namespace vorlix
