#include "platform/win32/registry_watcher.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/watch_set.h"
#include "platform/win32/registry_keys.h"

namespace vorlix::win32 {

// Every event is waited for in one call, beside the service's own two.
static_assert(MostWatchedKeys + 2 <= MAXIMUM_WAIT_OBJECTS - 1);

std::optional<RegistryWatcher::Watch> RegistryWatcher::tryWatchKey(unique_hkey key, bool values) {
  Watch watch{std::move(key), {}};
  // Auto-reset: the wait that reports it also clears it. Without an event
  // (out of resources) the key is left to the timer.
  watch.event.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!watch.event) return std::nullopt;
  const DWORD filter = REG_NOTIFY_CHANGE_NAME | (values ? REG_NOTIFY_CHANGE_LAST_SET : 0);
  const LSTATUS status =
      ::RegNotifyChangeKeyValue(watch.key.get(), FALSE, filter, watch.event.get(), TRUE);
  if (status == ERROR_KEY_DELETED) {
    // Deleted since it was opened: a change like any other, and the pass
    // it brings arms again from the key above. Ignored: if the event
    // cannot be set, the timer's pass does the same.
    (void)::SetEvent(watch.event.get());
  } else if (status != ERROR_SUCCESS) {
    return std::nullopt;  // refused: this key is left to the timer
  }
  return watch;
}

void RegistryWatcher::arm(const RuleTable& rules, std::int32_t holdMs) {
  // The handle that showed a key exists is the one watched: nothing can
  // come between the choice and the watch. Each look opens the keys again,
  // and a key is armed with the handle of the look that chose it.
  std::map<std::pair<Hive, std::wstring>, unique_hkey> opened;
  const KeyExists opens = [&](Hive root, std::wstring_view key) {
    // A key that will not open for notification (missing, or refused) is
    // passed over for the nearest one above it that does.
    unique_hkey handle;
    if (tryOpenKey(rootKey(root), std::wstring(key), KEY_NOTIFY, handle) != ERROR_SUCCESS) return false;
    opened.insert_or_assign({root, std::wstring(key)}, std::move(handle));
    return true;
  };
  std::vector<std::pair<WatchedKey, Watch>> armedNow;
  const ArmedWatchSet set = armWatchSet(rules, opens, [&](const WatchedKey& k) {
    if (std::optional<Watch> watch = tryWatchKey(std::move(opened.at({k.root, k.keyPath})), k.values))
      armedNow.emplace_back(k, std::move(*watch));
  });

  // What a later look no longer chose is let go with the earlier watches.
  std::vector<Watch> watches;
  std::vector<HANDLE> events;
  for (const WatchedKey& k : set.keys) {
    const auto armed = std::ranges::find(armedNow, k, &std::pair<WatchedKey, Watch>::first);
    if (armed == armedNow.end()) continue;  // left to the timer
    events.push_back(armed->second.event.get());
    watches.push_back(std::move(armed->second));
  }
  // The path kept changing while it was followed: reported as a change is,
  // so the pass after the hold looks again. Ignored: if the event cannot be
  // set, the timer's pass does the same.
  if (!set.settled && !events.empty()) (void)::SetEvent(events.front());

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
