#include "core/rule_records.h"

namespace vorlix {

const RuleRecord& RuleRecords::operator[](int slot) const {
  requireSlotNumber(slot);
  return records_[static_cast<std::size_t>(slot - 1)];
}

void RuleRecords::record(int slot, std::wstring_view path, DeletionOutcome outcome,
                         std::chrono::system_clock::time_point at) noexcept {
  if (slot < 1 || slot > SlotCount) return;
  RuleRecord& r = records_[static_cast<std::size_t>(slot - 1)];
  ++r.tries;
  r.lastOutcome = outcome;
  if (outcome.kind == DeletionOutcome::Kind::Deleted) {
    ++r.deletions;
    r.lastDeletion = at;
  }
  // The buffer is reused from one pass to the next, so this seldom
  // allocates. Out of memory, the outcome is told as one before an edit;
  // the counts stay right.
  try {
    r.lastPath.assign(path);
  } catch (...) {
    r.lastPath.clear();
  }
}

}  // namespace vorlix
