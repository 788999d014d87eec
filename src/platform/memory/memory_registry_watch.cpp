#include "platform/memory/memory_registry_watch.h"

namespace vorlix {

void MemoryRegistryWatch::arm(const RuleTable& rules, std::int32_t holdMs) {
  Arming arming{{}, holdMs};
  for (const RuleSlot slot : rules)
    if (slot.isActive()) arming.paths.push_back(slot.fullPath());
  arms.push_back(std::move(arming));
  if (log) log->push_back(L"watch on, hold " + std::to_wstring(holdMs));
  armed_ = true;
  reported_ = false;
}

void MemoryRegistryWatch::close() {
  if (log) log->push_back(L"watch off");
  ++closes;
  armed_ = false;
}

void MemoryRegistryWatch::change() {
  if (!armed_ || reported_) return;
  reported_ = true;
  if (onChange) onChange();
}

}  // namespace vorlix
