// The registry watch of "Instant": RegNotifyChangeKeyValue in its
// asynchronous form, one event per watched key, always in the 64-bit view.
// HKEY_CLASSES_ROOT is never watched through the view: watchSet names the
// keys of its two parts, where a write lands whoever makes it.
// The program's message loop waits for the events together with the
// window's messages, so a report reaches the program on the window's thread
// and no thread is started.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "core/scan_timing.h"
#include "platform/win32/loop_waits.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

class RegistryWatcher final : public RegistryWatch, public LoopWaits {
 public:
  RegistryWatcher() = default;
  RegistryWatcher(const RegistryWatcher&) = delete;
  RegistryWatcher& operator=(const RegistryWatcher&) = delete;

  // Opens and arms the keys that armWatchSet chooses. A key the system will
  // not watch (no event, a refused notification) is left to the timer's
  // pass, as a failed deletion is left to the next one: the watch only
  // hastens what the timer does anyway.
  void arm(const RuleTable& rules, std::int32_t holdMs) override;
  void close() override;
  bool armed() const override { return armed_; }

  // Nothing to wait for while closed, once reported, or during the hold
  // (the loop then only wakes when the hold ends).
  Wait nextWait() const override;
  void signalled(std::size_t index) override;

  // Called with the report, once per arming.
  std::function<void()> onChange;
  std::size_t watchCount() const { return watches_.size(); }

 private:
  struct Watch {
    unique_hkey key;
    unique_handle event;
  };
  // Asks for the key's next change; none when the system will not watch it.
  static std::optional<Watch> tryWatchKey(unique_hkey key, bool values);

  std::vector<Watch> watches_;
  std::vector<HANDLE> events_;  // the watches' events, as the wait takes them
  ULONGLONG holdUntil_ = 0;     // GetTickCount64
  bool armed_ = false;
  bool reported_ = false;
};

}  // namespace vorlix::win32
