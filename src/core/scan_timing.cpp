#include "core/scan_timing.h"

namespace vorlix {

void ScanTiming::applyPriority() {
  const std::int16_t index = ProgramOptions(controls_).priorityIndex();
  if (index < 0 || index >= static_cast<std::int16_t>(PriorityTable.size())) return;
  timer_.setInterval(PriorityTable[static_cast<std::size_t>(index)].interval);
}

void ScanTiming::applyScannerSwitch() {
  timer_.setEnabled(ProgramOptions(controls_).scannerState() == CheckState::Checked);
}

void ScanTiming::switchOn() {
  if (ProgramOptions(controls_).scannerState() == CheckState::Checked) timer_.setEnabled(true);
}

void ScanTiming::switchOff() { timer_.setEnabled(false); }

void ScanTiming::timerFired() noexcept { ScanPass::run(RuleTable(controls_), deleter_, records_); }

}  // namespace vorlix
