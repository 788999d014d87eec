// When scan passes run: the timer Timer1, the priority levels and the
// moments of the program's life that switch the timer, and at "Instant" the
// registry watch that runs a pass as soon as a watched key changes.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/controls.h"
#include "core/rules.h"
#include "core/scan_pass.h"

namespace vorlix {

struct PriorityLevel {
  std::wstring_view name;
  std::int32_t interval;  // milliseconds
  // Also a pass whenever the registry reports a change under the active
  // rules' entries; the timer stays on as a safety net for what a
  // notification cannot report (a hive loaded later).
  bool onChange = false;
};

// Indexed by the priority selector's ListIndex.
inline constexpr std::array<PriorityLevel, PriorityItemCount> PriorityTable{{
    {L"Very Low", 600000},
    {L"Low", 300000},
    {L"Middle", 60000},
    {L"High", 10000},
    {L"Very High", 1000},
    {L"Instant", 10000, true},
}};

// The shortest interval of all levels: at a level that reacts to changes,
// the timer's while an active rule lies where no watch goes
// (watchedOnChange), so that such a rule is applied as often as any level
// applies one.
inline constexpr std::int32_t ShortestInterval = [] {
  std::int32_t shortest = PriorityTable[0].interval;
  for (const PriorityLevel& level : PriorityTable) shortest = std::min(shortest, level.interval);
  return shortest;
}();

// After a pass the watch holds its next report this long, so a writer that
// changes a watched key in a tight loop gets one pass per hold rather than
// one per write, and the change that the pass itself makes costs one more
// pass at most.
inline constexpr std::int32_t WatchHoldAfterPass = 20;  // milliseconds

// The timer control. Bindings deliver each firing to ScanTiming::timerFired
// on the thread that handles the window's events.
class ScanTimer {
 public:
  static constexpr std::int32_t InitialInterval = 1000;

  virtual ~ScanTimer() = default;
  virtual std::int32_t interval() const = 0;
  virtual void setInterval(std::int32_t milliseconds) = 0;
  virtual bool enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
};

// Change notifications for the keys under which the active rules' entries
// could be re-created. Bindings report a change to
// ScanTiming::registryChanged on the thread that handles the window's
// events, once per arming: a burst of changes is one report.
class RegistryWatch {
 public:
  virtual ~RegistryWatch() = default;
  // Watches what the active rules of the table name at this moment, in
  // place of anything watched before. A change is reported no sooner than
  // holdMs from now; one that happens meanwhile is reported then.
  virtual void arm(const RuleTable& rules, std::int32_t holdMs) = 0;
  // Releases every watch; nothing is reported until the next arm.
  virtual void close() = 0;
  virtual bool armed() const = 0;
};

class ScanTiming final : public OptionReactions {
 public:
  // With records, every pass keeps each rule's outcome there.
  ScanTiming(ScanTimer& timer, RegistryWatch& watch, ConfigControls& controls,
             RegistryDeleter& deleter, RuleRecords* records = nullptr)
      : timer_(timer), watch_(watch), controls_(controls), deleter_(deleter), records_(records) {}

  // Sets the interval from the selected level; no level leaves it as it is.
  void applyPriority();
  // The timer runs exactly while the scanner box is Checked.
  void applyScannerSwitch();
  // End of start-up and of OK: starts the timer if the box is Checked, and
  // never stops it.
  void switchOn();
  // Configure: scanning pauses while the user edits.
  void switchOff();
  // Timer1's Timer event: one pass (while watching, the watch is armed
  // again first).
  void timerFired();
  // The watch's report: the same.
  void registryChanged();
  // A rule was edited (or reverted): the watch and the interval follow it
  // at once; the next pass uses it anyway.
  void rulesChanged();

  // The watch is armed exactly while the timer runs at a level that reacts
  // to changes.
  bool watching() const { return timer_.enabled() && onChange_; }

  void priorityChanged() override { applyPriority(); }
  void scannerSwitchChanged() override { applyScannerSwitch(); }

 private:
  // Arms the watch (again) or closes it, whichever watching() says, and
  // sets the interval that the rules and the level want.
  void followWatch();
  std::int32_t wantedInterval() const;
  // Armed before the pass, so that nothing written while it runs slips
  // between the pass and the watch.
  void pass();

  ScanTimer& timer_;
  RegistryWatch& watch_;
  ConfigControls& controls_;
  RegistryDeleter& deleter_;
  RuleRecords* records_;
  // The level last applied, as the timer keeps its last interval.
  bool onChange_ = false;
  std::optional<std::int32_t> levelInterval_;
};

}  // namespace vorlix
