#include "core/scan_timing.h"

#include "core/watch_set.h"

namespace vorlix {

void ScanTiming::applyPriority() {
  const std::int16_t index = ProgramOptions(controls_).priorityIndex();
  if (index < 0 || index >= static_cast<std::int16_t>(PriorityTable.size())) return;
  const PriorityLevel& level = PriorityTable[static_cast<std::size_t>(index)];
  levelInterval_ = level.interval;
  onChange_ = level.onChange;
  timer_.setInterval(wantedInterval());
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

void ScanTiming::rulesChanged() { followWatch(); }

std::int32_t ScanTiming::wantedInterval() const {
  if (onChange_ && anyUnwatchedRule(RuleTable(controls_))) return ShortestInterval;
  return levelInterval_.value_or(timer_.interval());
}

void ScanTiming::followWatch() {
  // Only a change of the interval is set: setting it starts the count again.
  if (levelInterval_ && timer_.interval() != wantedInterval()) timer_.setInterval(wantedInterval());
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
