// Deletions told to the event log at most once per rule per hour, each
// event with the count since the last, so that a fleet's event collection
// sees what is being fought back without being flooded.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorlix::service {

inline constexpr std::uint64_t ReportSpacing = 60ull * 60 * 1000;  // milliseconds

struct DeletionReport {
  std::wstring rule;  // the deletion path
  std::uint64_t count;
};

class DeletionThrottle {
 public:
  // One deletion by `rule` at `now` (milliseconds, any steady origin). The
  // count to report now, when the rule's last event is an hour old or it
  // has none; otherwise the deletion waits for the next report.
  std::optional<std::uint64_t> deleted(const std::wstring& rule, std::uint64_t now);
  // The waiting counts whose hour has passed, each reported now; rules that
  // have nothing to report and whose hour has passed are forgotten.
  std::vector<DeletionReport> due(std::uint64_t now);

 private:
  struct Rule {
    std::uint64_t lastReport;
    std::uint64_t waiting;
  };
  std::map<std::wstring, Rule> rules_;
};

}  // namespace vorlix::service
