#include "core/scan_pass.h"

namespace vorlix {

void ScanPass::run(const RuleTable& table, RegistryDeleter& deleter) noexcept {
  for (const RuleSlot slot : table) {
    if (!slot.isActive()) continue;
    // A path that cannot be composed (out of memory) is one more failure to
    // swallow; the remaining slots are still handled.
    try {
      const std::wstring path = slot.fullPath();
      deleter.RegDelete(path);
    } catch (...) {
    }
  }
}

}  // namespace vorlix
