#include "platform/win32/registry_watcher.h"

#include <map>
#include <string>
#include <utility>

#include "core/watch_set.h"
#include "platform/win32/registry_keys.h"

namespace vorlix::win32 {

void RegistryWatcher::arm(const RuleTable& rules, std::int32_t holdMs) {
  // The handle that showed a key exists is the one watched: nothing can
  // come between the choice and the watch.
  std::map<std::pair<Hive, std::wstring>, unique_hkey> opened;
  const std::vector<WatchedKey> keys = watchSet(rules, [&](Hive root, std::wstring_view key) {
    // A key that will not open for notification (missing, or refused) is
    // passed over for the nearest one above it that does.
    unique_hkey handle = openKey(rootKey(root), std::wstring(key), KEY_NOTIFY);
    if (!handle) return false;
    opened.try_emplace({root, std::wstring(key)}, std::move(handle));
    return true;
  });

  std::vector<Watch> watches;
  std::vector<HANDLE> events;
  watches.reserve(keys.size());
  events.reserve(keys.size());
  for (const WatchedKey& k : keys) {
    Watch watch{std::move(opened.at({k.root, k.key})), {}};
    // Auto-reset: the wait that reports it also clears it. Without an event
    // (out of resources) the key is left to the timer.
    watch.event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!watch.event) continue;
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | (k.values ? REG_NOTIFY_CHANGE_LAST_SET : 0);
    const LSTATUS status =
        ::RegNotifyChangeKeyValue(watch.key.get(), FALSE, filter, watch.event.get(), TRUE);
    if (status == ERROR_KEY_DELETED) {
      // Deleted since it was opened: a change like any other, and the pass
      // it brings arms again from the key above. Ignored: if the event
      // cannot be set, the timer's pass does the same.
      (void)::SetEvent(watch.event.get());
    } else if (status != ERROR_SUCCESS) {
      continue;  // refused: this key is left to the timer
    }
    events.push_back(watch.event.get());
    watches.push_back(std::move(watch));
  }

  // Only now are the earlier watches let go.
  watches_ = std::move(watches);
  events_ = std::move(events);
  holdUntil_ = ::GetTickCount64() + static_cast<ULONGLONG>(holdMs > 0 ? holdMs : 0);
  armed_ = true;
  reported_ = false;
}

void RegistryWatcher::close() {
  events_.clear();
  watches_.clear();
  armed_ = false;
}

LoopWaits::Wait RegistryWatcher::nextWait() const {
  if (!armed_ || reported_) return {};
  const ULONGLONG now = ::GetTickCount64();
  if (now < holdUntil_) return {{}, static_cast<DWORD>(holdUntil_ - now)};
  return {events_, INFINITE};
}

void RegistryWatcher::signalled(std::size_t) {
  if (!armed_ || reported_) return;
  // The other events may be signalled too: this one report stands for
  // them all, until the next arming replaces them.
  reported_ = true;
  if (onChange) onChange();
}

}  // namespace vorlix::win32
