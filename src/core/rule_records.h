// How each rule has fared since the program started: what the scan passes
// found, kept per slot for the window's tips. Nothing here is stored.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/controls.h"
#include "core/deletion_outcome.h"

namespace vorlix {

struct RuleRecord {
  std::uint64_t tries = 0;      // passes that handed the rule's path to the deleter
  std::uint64_t deletions = 0;  // of those, the ones that deleted its entry
  std::chrono::system_clock::time_point lastDeletion{};  // once deletions > 0
  DeletionOutcome lastOutcome;  // once tries > 0
  // The path of the last try: the fields may have been edited since.
  std::wstring lastPath;
};

class RuleRecords {
 public:
  // Slot numbers count from 1. Throws std::out_of_range for any other.
  const RuleRecord& operator[](int slot) const;

  // One try of slot `slot`. Never throws: it runs inside a pass.
  void record(int slot, std::wstring_view path, DeletionOutcome outcome,
              std::chrono::system_clock::time_point at) noexcept;

 private:
  std::array<RuleRecord, SlotCount> records_{};
};

}  // namespace vorlix
