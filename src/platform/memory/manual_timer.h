// A timer whose clock the test advances. Firings are delivered to the handler
// one interval after the timer was switched on, then every interval.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/scan_timing.h"

namespace vorlix {

class ManualTimer final : public ScanTimer {
 public:
  std::int32_t interval() const override { return interval_; }
  void setInterval(std::int32_t milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;

  // Moves the clock on and delivers every firing that falls due; returns how
  // many there were.
  int advance(std::int64_t milliseconds);

  std::function<void()> onFire;
  // When set, every change is noted there: "interval N", "timer on/off".
  std::vector<std::wstring>* log = nullptr;

 private:
  std::int32_t interval_ = InitialInterval;
  bool enabled_ = false;
  std::int64_t now_ = 0;
  std::int64_t nextFiring_ = 0;
};

}  // namespace vorlix
