// The tip of a rule row: what the rule names, told from the row's fields as
// they are now, and how it has fared in the scans since the program started.
#pragma once

#include <string>

#include "core/controls.h"
#include "core/local_time.h"
#include "core/rule_records.h"

namespace vorlix::ui {

// Answers the window when a row's tip is about to show, so the tip is
// built from the moment's fields and records.
class RuleReports {
 public:
  virtual std::wstring describeRule(int slot) const = 0;

 protected:
  ~RuleReports() = default;
};

// The rule row a control belongs to (1 to 12), or 0 for any other control.
int ruleRowOf(int controlId);

struct RuleFacts {
  int slot = 1;
  CheckState enableState = CheckState::Unchecked;
  std::wstring path;  // composed from the row's fields, as a scan would now
  RuleRecord record;
  LocalTime now;
  LocalTime lastDeletion;  // the record's, on the user's clock
};

// Plain lines, separated by "\n": what the rule does, its full path, whether
// it is enabled, its deletions, and the outcome of its last scan.
std::wstring ruleTipText(const RuleFacts& facts);

}  // namespace vorlix::ui
