#include "service/machine_service.h"

#include <utility>

#include "settings/settings_failure.h"

namespace vorlix::service {

Severity severityOf(ServiceEvent event) {
  switch (event) {
    case ServiceEvent::BadEntry:
    case ServiceEvent::Deletions:
    case ServiceEvent::StrayStore: return Severity::Warning;
    case ServiceEvent::InsecureStore:
    case ServiceEvent::Failure: return Severity::Error;
    case ServiceEvent::Started:
    case ServiceEvent::Stopped:
    case ServiceEvent::ConfigurationRead: break;
  }
  return Severity::Information;
}

MachineService::MachineService(SettingsStore& store, StoreGuard& guard, RegistryDeleter& deleter,
                               ScanTimer& timer, RegistryWatch& watch, EventLog& log, Clock clock,
                               std::wstring archive)
    : store_(store),
      guard_(guard),
      deleter_(deleter),
      timer_(timer),
      log_(log),
      clock_(std::move(clock)),
      archive_(std::move(archive)),
      timing_(timer, watch, configuration_.controls(), *this) {}

void MachineService::storeChanged() {
  if (guard_.strayStoreExists())
    log_.report(ServiceEvent::StrayStore,
                L"HKEY_LOCAL_MACHINE\\" + std::wstring(StrayStoreKey) +
                    L" exists: rules imported by a 32-bit program land there, and the service "
                    L"never reads them. Import them again from a 64-bit program, for example "
                    L"with reg import FILE /reg:64, which writes to HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                    L"Vennik\\Vorlix, then delete the WOW6432Node key.");
  if (const std::optional<std::wstring> writer = guard_.untrustedWriter()) {
    configuration_.withdraw();
    applyConfiguration();
    log_.report(ServiceEvent::InsecureStore,
                L"No machine rule is applied: " + *writer +
                    L" may change the rules, and only SYSTEM, Administrators and TrustedInstaller "
                    L"may be able to write the store's key and its subkeys. Correct their "
                    L"permissions; the rules are read again as soon as they change.");
    return;
  }
  if (const std::optional<SettingsFailure> failure = configuration_.reload(store_)) {
    log_.report(ServiceEvent::BadEntry,
                describeSettingsFailure(*failure) +
                    (configuration_.applying()
                         ? L"\n\nThe service goes on applying the rules it last read whole."
                         : L"\n\nNo machine rule applies until the entry is corrected."));
    return;
  }
  applyConfiguration();
  const int active = configuration_.activeRules();
  log_.report(ServiceEvent::ConfigurationRead,
              L"The machine rules were read: " + std::to_wstring(active) +
                  (active == 1 ? L" active rule." : L" active rules."));
}

void MachineService::applyConfiguration() {
  timing_.applyPriority();
  timing_.applyScannerSwitch();
  timing_.rulesChanged();
  // Entries that are already there go now, not one interval later.
  if (timer_.enabled()) timerFired();
}

void MachineService::timerFired() {
  timing_.timerFired();
  reportDueDeletions();
}

void MachineService::registryChanged() {
  timing_.registryChanged();
  reportDueDeletions();
}

void MachineService::reportDueDeletions() {
  for (const DeletionReport& report : throttle_.due(clock_()))
    log_.report(ServiceEvent::Deletions, L"Deleted " + report.rule + L": " +
                                             std::to_wstring(report.count) +
                                             L" times in the last hour or more." + archiveNote());
}

std::wstring MachineService::archiveNote() const {
  if (archive_.empty()) return {};
  return L" What it deleted is kept in " + archive_ +
         L"; \"vorlix-service.exe export FILE\", run as an administrator, saves it as a .reg file.";
}

DeletionOutcome MachineService::RegDelete(std::wstring_view path) noexcept {
  const DeletionOutcome outcome = deleter_.RegDelete(path);
  if (outcome.kind == DeletionOutcome::Kind::NotKept) {
    try {
      const std::wstring rule(path);
      if (notKept_.deleted(rule, clock_()))
        log_.report(ServiceEvent::Failure,
                    L"Not deleted: " + rule + L". Its copy could not be kept in " + archive_ +
                        (outcome.code == 0 ? L": it is larger than the record may hold."
                                           : L" (error " + std::to_wstring(outcome.code) + L").") +
                        L" Nothing is deleted that cannot be kept; this is told once an hour at most.");
    } catch (...) {
      // Out of memory for a log line: the entry stays, as it should.
    }
    return outcome;
  }
  if (outcome.kind != DeletionOutcome::Kind::Deleted) return outcome;
  try {
    const std::wstring rule(path);
    if (const std::optional<std::uint64_t> count = throttle_.deleted(rule, clock_()))
      log_.report(ServiceEvent::Deletions,
                  L"Deleted " + rule + L" (" + std::to_wstring(*count) +
                      (*count == 1 ? L" time" : L" times") + L" since the last report of this rule)." +
                      archiveNote());
  } catch (...) {
    // Out of memory for a log line: the deletion itself went through.
  }
  return outcome;
}

}  // namespace vorlix::service
