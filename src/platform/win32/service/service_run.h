// The service's work loop: one thread waits on the stop event, the store's
// change event and the "Instant" watch's events together, and runs each
// event's work to its end before waiting again, as the tray's message loop
// does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/unique_handle.h"
#include "core/scan_timing.h"
#include "service/machine_service.h"

namespace vorlix::win32 {

// HKEY_LOCAL_MACHINE\<this>: the machine rules, sections Reg, EnableKeys,
// keydirs and keynames as in the user's store.
inline constexpr const wchar_t* MachineStoreKey = L"SOFTWARE\\Vennik\\Vorlix";

// Timer1 without a window: a deadline the loop waits towards.
class DeadlineTimer final : public ScanTimer {
 public:
  std::int32_t interval() const override { return interval_; }
  void setInterval(std::int32_t milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;

  // Milliseconds until the next firing; INFINITE while off.
  DWORD timeout() const;
  // True, and the next firing set, when one is due.
  bool takeFiring();

 private:
  std::int32_t interval_ = InitialInterval;
  bool enabled_ = false;
  ULONGLONG due_ = 0;
};

// Watches the store's key and everything below it; while the key is
// missing, the nearest key above it, for the key's creation only; and the
// key above the watched one, for the watched key's deletion.
class StoreWatch {
 public:
  StoreWatch();
  HANDLE event() const { return event_.get(); }
  // Arms again; true when the store (not only a key above it) may have
  // changed since the last arming.
  bool rearm();

 private:
  unique_handle event_;
  unique_hkey key_;
  unique_hkey above_;
  bool watchingStore_ = false;
};

// Runs until `stop` is signalled; `running` is called once the first
// configuration has been read and the watches are armed. Throws on a
// failure that leaves the service unable to work.
void runService(HANDLE stop, service::EventLog& log, void (*running)());

}  // namespace vorlix::win32
