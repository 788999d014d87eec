// The service's work, apart from how Windows runs a service: the machine
// store read after every change and checked before it is trusted, the last
// configuration read whole applied by the tray's own scan timing, and what
// happens told to the event log.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/scan_pass.h"
#include "core/scan_timing.h"
#include "service/deletion_throttle.h"
#include "service/machine_configuration.h"
#include "settings/settings_store.h"

namespace vorlix::service {

// The event identifiers of the message table; their order is fixed once
// released, as event collectors filter on them.
enum class ServiceEvent : std::uint16_t {
  Started = 1,
  Stopped = 2,
  ConfigurationRead = 3,
  BadEntry = 4,
  InsecureStore = 5,
  Deletions = 6,
  Failure = 7,
  StrayStore = 8,
};

enum class Severity { Information, Warning, Error };
Severity severityOf(ServiceEvent event);

class EventLog {
 public:
  virtual void report(ServiceEvent event, std::wstring_view text) = 0;

 protected:
  ~EventLog() = default;
};

// Where a 32-bit program's writes to the store's key land (registry
// redirection): reg import from a 32-bit shell, a 32-bit deployment script.
// The service, a 64-bit program, never reads rules from there.
inline constexpr std::wstring_view StrayStoreKey = L"SOFTWARE\\WOW6432Node\\Vennik\\Vorlix";

// What the service checks about its store before it reads it.
class StoreGuard {
 public:
  // Who besides SYSTEM, Administrators and TrustedInstaller may write the
  // store's key or one of its subkeys, naming the key; nothing when no one.
  virtual std::optional<std::wstring> untrustedWriter() = 0;
  // Whether HKEY_LOCAL_MACHINE\StrayStoreKey exists.
  virtual bool strayStoreExists() = 0;

 protected:
  ~StoreGuard() = default;
};

using Clock = std::function<std::uint64_t()>;  // milliseconds, steady

class MachineService final : private RegistryDeleter {
 public:
  // `archive`: where the copies of what is deleted are kept, for the events.
  MachineService(SettingsStore& store, StoreGuard& guard, RegistryDeleter& deleter,
                 ScanTimer& timer, RegistryWatch& watch, EventLog& log, Clock clock,
                 std::wstring archive = {});
  MachineService(const MachineService&) = delete;
  MachineService& operator=(const MachineService&) = delete;

  // The store was changed (and once at start): checked, read again, applied.
  // Rules left where a 32-bit program put them are pointed out each time.
  void storeChanged();
  void timerFired();
  void registryChanged();
  // Deletion counts whose hour has passed; called after passes and whenever
  // the service wakes.
  void reportDueDeletions();

  MachineConfiguration& configuration() { return configuration_; }

 private:
  // Every deletion of a pass passes here on its way to the real deleter.
  DeletionOutcome RegDelete(std::wstring_view path) noexcept override;
  void ruleInProgress(int slot) noexcept override { deleter_.ruleInProgress(slot); }
  void applyConfiguration();
  // Where the deleted entries are, and how to get them, for a deletion event.
  std::wstring archiveNote() const;

  SettingsStore& store_;
  StoreGuard& guard_;
  RegistryDeleter& deleter_;
  ScanTimer& timer_;
  EventLog& log_;
  Clock clock_;
  MachineConfiguration configuration_;
  std::wstring archive_;
  DeletionThrottle throttle_;
  // Entries left because their copies could not be kept: told as deletions are.
  DeletionThrottle notKept_;
  ScanTiming timing_;
};

}  // namespace vorlix::service
