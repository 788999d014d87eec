#include "platform/win32/service/service_run.h"

#include <algorithm>
#include <vector>

#include "core/deleted_entries.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/check.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/registry_settings_store.h"
#include "platform/win32/registry_watcher.h"
#include "service/machine_service.h"
#include "platform/win32/service/store_security.h"

namespace vorlix::win32 {
namespace {


// A .reg import or a policy refresh writes the 50 values one by one: the
// store is read once they have settled, not after the first.
constexpr DWORD StoreSettle = 200;
// The longest sleep, so that deletion counts waiting for their hour are
// told even when nothing else wakes the service.
constexpr DWORD LongestWait = 60 * 1000;

}  // namespace

void DeadlineTimer::setInterval(std::int32_t milliseconds) {
  interval_ = milliseconds;
  if (enabled_) due_ = ::GetTickCount64() + static_cast<ULONGLONG>(interval_);
}

void DeadlineTimer::setEnabled(bool enabled) {
  if (enabled && !enabled_) due_ = ::GetTickCount64() + static_cast<ULONGLONG>(interval_);
  enabled_ = enabled;
}

DWORD DeadlineTimer::timeout() const {
  if (!enabled_) return INFINITE;
  const ULONGLONG now = ::GetTickCount64();
  return now >= due_ ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(due_ - now, INFINITE - 1));
}

bool DeadlineTimer::takeFiring() {
  if (!enabled_ || ::GetTickCount64() < due_) return false;
  due_ = ::GetTickCount64() + static_cast<ULONGLONG>(interval_);
  return true;
}

StoreWatch::StoreWatch() : event_(checkNotNull(::CreateEventW(nullptr, FALSE, FALSE, nullptr), "CreateEventW")) {}

bool StoreWatch::rearm() {
  const bool wasWatchingStore = watchingStore_;
  // Closing a key whose watch is still pending signals the event (Wine does
  // so): the old watches go first and that signal is cleared, so that only
  // a change after the new arming wakes the loop. A change in between is
  // seen by the read that follows every arming.
  key_.reset();
  above_.reset();
  checkBool(::ResetEvent(event_.get()), "ResetEvent");
  std::wstring path = MachineStoreKey;
  for (;;) {
    unique_hkey key;
    const LSTATUS opened = tryOpenKey(HKEY_LOCAL_MACHINE, path, KEY_NOTIFY, key);
    const std::size_t up = path.rfind(L'\\');
    if (opened == ERROR_SUCCESS) {
      // The key above first: from then on the key's deletion is a change of
      // names there (Wine reports none on a deleted key itself).
      unique_hkey above;
      if (up != std::wstring::npos) {
        LSTATUS aboveArmed = tryOpenKey(HKEY_LOCAL_MACHINE, path.substr(0, up), KEY_NOTIFY, above);
        if (aboveArmed == ERROR_SUCCESS)
          aboveArmed = ::RegNotifyChangeKeyValue(above.get(), FALSE, REG_NOTIFY_CHANGE_NAME,
                                                 event_.get(), TRUE);
        // Deleted since the key was opened: so is the key, which is opened again.
        if (isNotFound(aboveArmed) || aboveArmed == ERROR_KEY_DELETED) continue;
        checkStatus(aboveArmed, above ? "RegNotifyChangeKeyValue" : "RegOpenKeyExW");
      }
      const bool store = path == MachineStoreKey;
      // The store: every value, subkey and permission below it. A key
      // above it: a subkey's appearance, nothing else.
      const DWORD filter = store ? REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET |
                                       REG_NOTIFY_CHANGE_SECURITY
                                 : REG_NOTIFY_CHANGE_NAME;
      const LSTATUS armed =
          ::RegNotifyChangeKeyValue(key.get(), store ? TRUE : FALSE, filter, event_.get(), TRUE);
      // Deleted since it was opened: opened again, or the key above it.
      if (armed == ERROR_KEY_DELETED) continue;
      checkStatus(armed, "RegNotifyChangeKeyValue");
      key_ = std::move(key);
      above_ = std::move(above);
      watchingStore_ = store;
      return store || wasWatchingStore;
    }
    if (!isNotFound(opened) || up == std::wstring::npos) checkStatus(opened, "RegOpenKeyExW");
    path.resize(up);
  }
}

void runService(HANDLE stop, service::EventLog& log, void (*running)()) {
  RegistrySettingsStore store(Hive::LocalMachine, MachineStoreKey);
  StoreSecurityGuard guard(MachineStoreKey);
  Win32ArchiveFile archiveFile(archiveFolder(ArchiveOwner::Machine), ArchiveOwner::Machine);
  DeletedEntries deletedEntries(archiveFile, MachineArchiveBound);
  RegistryApiDeleter deleter(RegistryApiDeleter::Links::Refused, &deletedEntries);
  DeadlineTimer timer;
  RegistryWatcher watcher;
  service::MachineService service(store, guard, deleter, timer, watcher, log,
                                  [] { return static_cast<std::uint64_t>(::GetTickCount64()); },
                                  archiveFile.path());
  watcher.onChange = [&service] { service.registryChanged(); };

  StoreWatch storeWatch;
  storeWatch.rearm();
  service.storeChanged();
  running();

  ULONGLONG storeDue = 0;  // a store change waiting to settle; 0: none
  std::vector<HANDLE> handles;
  for (;;) {
    const LoopWaits::Wait watch = watcher.nextWait();
    handles.assign({stop, storeWatch.event()});
    handles.insert(handles.end(), watch.handles.begin(), watch.handles.end());
    DWORD timeout = std::min({watch.timeout, timer.timeout(), LongestWait});
    if (storeDue != 0) {
      const ULONGLONG now = ::GetTickCount64();
      timeout = std::min<DWORD>(timeout, now >= storeDue ? 0 : static_cast<DWORD>(storeDue - now));
    }
    const DWORD woke = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                FALSE, timeout);
    if (woke == WAIT_FAILED) throw Win32Error("WaitForMultipleObjects", ::GetLastError());
    if (woke == WAIT_OBJECT_0) return;
    if (woke == WAIT_OBJECT_0 + 1) {
      // Armed again before the read, so that nothing written meanwhile is missed.
      if (storeWatch.rearm()) storeDue = ::GetTickCount64() + StoreSettle;
    } else if (woke >= WAIT_OBJECT_0 + 2 && woke < WAIT_OBJECT_0 + handles.size()) {
      watcher.signalled(woke - WAIT_OBJECT_0 - 2);
    }
    if (storeDue != 0 && ::GetTickCount64() >= storeDue) {
      storeDue = 0;
      service.storeChanged();
    }
    if (timer.takeFiring()) service.timerFired();
    service.reportDueDeletions();
  }
}

}  // namespace vorlix::win32
