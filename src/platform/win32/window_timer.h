// Timer1 as a window timer: its firings arrive as WM_TIMER through the
// window's own message loop, on the one thread that handles every event.
#pragma once

#include <windows.h>

#include "core/scan_timing.h"

namespace vorlix::win32 {

class WindowTimer final : public ScanTimer {
 public:
  WindowTimer(HWND owner, UINT_PTR id) : owner_(owner), id_(id) {}
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;
  ~WindowTimer() override;

  std::int32_t interval() const override { return interval_; }
  void setInterval(std::int32_t milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;

  UINT_PTR id() const { return id_; }

 private:
  void arm();

  HWND owner_;
  UINT_PTR id_;
  std::int32_t interval_ = InitialInterval;
  bool enabled_ = false;
};

}  // namespace vorlix::win32
