#include "service/deletion_throttle.h"

namespace vorlix::service {

std::optional<std::uint64_t> DeletionThrottle::deleted(const std::wstring& rule,
                                                        std::uint64_t now) {
  const auto [at, first] = rules_.try_emplace(rule, Rule{now, 0});
  Rule& r = at->second;
  if (first || now - r.lastReport >= ReportSpacing) {
    const std::uint64_t count = r.waiting + 1;
    r = Rule{now, 0};
    return count;
  }
  ++r.waiting;
  return std::nullopt;
}

std::vector<DeletionReport> DeletionThrottle::due(std::uint64_t now) {
  std::vector<DeletionReport> reports;
  for (auto it = rules_.begin(); it != rules_.end();) {
    Rule& r = it->second;
    if (now - r.lastReport < ReportSpacing) {
      ++it;
    } else if (r.waiting > 0) {
      reports.push_back({it->first, r.waiting});
      r = Rule{now, 0};
      ++it;
    } else {
      it = rules_.erase(it);
    }
  }
  return reports;
}

}  // namespace vorlix::service
