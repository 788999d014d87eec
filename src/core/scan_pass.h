// One scan: every active rule's entry is handed to the deleter, in slot order.
#pragma once

#include <string_view>

#include "core/rules.h"

namespace vorlix {

class RegistryDeleter {
 public:
  virtual ~RegistryDeleter() = default;
  // Deletes the entry that the path names. Never reports or throws: a missing
  // entry, a refused deletion or a malformed path all end here silently.
  virtual void RegDelete(std::wstring_view path) noexcept = 0;
};

class ScanPass {
 public:
  // Reads each slot only after the previous slot's deletion has returned,
  // and keeps nothing from one pass to the next.
  static void run(const RuleTable& table, RegistryDeleter& deleter) noexcept;
};

}  // namespace vorlix
