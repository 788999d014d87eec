// One scan: every active rule's entry is handed to the deleter, in slot order.
#pragma once

#include <string_view>

#include "core/deletion_outcome.h"
#include "core/rule_records.h"
#include "core/rules.h"

namespace vorlix {

class RegistryDeleter {
 public:
  virtual ~RegistryDeleter() = default;
  // Deletes the entry that the path names and says how that went. Never
  // throws: a missing entry, a refused deletion or a malformed path are
  // answers, not failures.
  virtual DeletionOutcome RegDelete(std::wstring_view path) noexcept = 0;
  // The rule whose path comes next, so that what it deletes is kept as
  // that rule's (see deleted_entries.h); 0 for a deletion of no rule.
  virtual void ruleInProgress(int slot) noexcept { (void)slot; }
};

class ScanPass {
 public:
  // Reads each slot only after the previous slot's deletion has returned.
  // Every outcome is ignored for the pass's own course; with records, each
  // active slot's outcome is kept there for the window to tell.
  static void run(const RuleTable& table, RegistryDeleter& deleter,
                  RuleRecords* records = nullptr) noexcept;
};

}  // namespace vorlix
