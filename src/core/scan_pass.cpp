#include "core/scan_pass.h"

#include <chrono>

namespace vorlix {

void ScanPass::run(const RuleTable& table, RegistryDeleter& deleter, RuleRecords* records) noexcept {
  for (const RuleSlot slot : table) {
    if (!slot.isActive()) continue;
    // A path that cannot be composed (out of memory) is one more failure to
    // swallow; the remaining slots are still handled.
    try {
      const std::wstring path = slot.fullPath();
      deleter.ruleInProgress(slot.number());
      const DeletionOutcome outcome = deleter.RegDelete(path);
      if (records) records->record(slot.number(), path, outcome, std::chrono::system_clock::now());
    } catch (...) {
    }
  }
}

}  // namespace vorlix
