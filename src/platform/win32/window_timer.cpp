#include "platform/win32/window_timer.h"

#include "platform/win32/check.h"

namespace vorlix::win32 {

WindowTimer::~WindowTimer() {
  // The window may already be gone; its timers went with it.
  if (enabled_) (void)::KillTimer(owner_, id_);
}

void WindowTimer::setInterval(std::int32_t milliseconds) {
  interval_ = milliseconds;
  // A running timer takes the new interval at once (SetTimer on the same id
  // replaces the old one and restarts its count).
  if (enabled_) arm();
}

void WindowTimer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  if (enabled) {
    arm();
  } else {
    // Fails only when the timer is already gone, which is the wanted state.
    (void)::KillTimer(owner_, id_);
  }
  enabled_ = enabled;
}

void WindowTimer::arm() {
  checkNonZero(::SetTimer(owner_, id_, static_cast<UINT>(interval_), nullptr), "SetTimer");
}

}  // namespace vorlix::win32
