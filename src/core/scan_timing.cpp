#include "core/scan_timing.h"

namespace vorlix {

void ScanTiming::applyPriority() {
  const std::int16_t index = ProgramOptions(controls_).priorityIndex();
  if (index < 0 || index >= static_cast<std::int16_t>(PriorityTable.size())) return;
  const PriorityLevel& level = PriorityTable[static_cast<std::size_t>(index)];
  timer_.setInterval(level.interval);
  onChange_ = level.onChange;
  followWatch();
}

void ScanTiming::applyScannerSwitch() {
  timer_.setEnabled(ProgramOptions(controls_).scannerState() == CheckState::Checked);
  followWatch();
}

void ScanTiming::switchOn() {
  if (ProgramOptions(controls_).scannerState() == CheckState::Checked) timer_.setEnabled(true);
  followWatch();
}

void ScanTiming::switchOff() {
  timer_.setEnabled(false);
  followWatch();
}

void ScanTiming::timerFired() { pass(); }

void ScanTiming::registryChanged() {
  // A report that was on its way as the watch closed is stale.
  if (watching()) pass();
}

void ScanTiming::rulesChanged() {
  if (watching()) watch_.arm(RuleTable(controls_), 0);
}

void ScanTiming::followWatch() {
  if (watching()) {
    watch_.arm(RuleTable(controls_), 0);
  } else if (watch_.armed()) {
    watch_.close();
  }
}

void ScanTiming::pass() {
  const RuleTable rules(controls_);
  if (watching()) watch_.arm(rules, WatchHoldAfterPass);
  ScanPass::run(rules, deleter_, records_);
}

}  // namespace vorlix
