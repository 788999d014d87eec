// When scan passes run: the timer Timer1, the priority levels and the
// moments of the program's life that switch the timer.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/controls.h"
#include "core/rules.h"
#include "core/scan_pass.h"

namespace vorlix {

struct PriorityLevel {
  std::wstring_view name;
  std::int32_t interval;  // milliseconds
};

// Indexed by the priority selector's ListIndex.
inline constexpr std::array<PriorityLevel, 5> PriorityTable{{
    {L"Very Low", 600000},
    {L"Low", 300000},
    {L"Middle", 60000},
    {L"High", 10000},
    {L"Very High", 1000},
}};

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

class ScanTiming final : public OptionReactions {
 public:
  // With records, every pass keeps each rule's outcome there.
  ScanTiming(ScanTimer& timer, ConfigControls& controls, RegistryDeleter& deleter,
             RuleRecords* records = nullptr)
      : timer_(timer), controls_(controls), deleter_(deleter), records_(records) {}

  // Sets the interval from the selected level; no level leaves it as it is.
  void applyPriority();
  // The timer runs exactly while the scanner box is Checked.
  void applyScannerSwitch();
  // End of start-up and of OK: starts the timer if the box is Checked, and
  // never stops it.
  void switchOn();
  // Configure: scanning pauses while the user edits.
  void switchOff();
  // Timer1's Timer event: one pass, nothing else.
  void timerFired() noexcept;

  void priorityChanged() override { applyPriority(); }
  void scannerSwitchChanged() override { applyScannerSwitch(); }

 private:
  ScanTimer& timer_;
  ConfigControls& controls_;
  RegistryDeleter& deleter_;
  RuleRecords* records_;
};

}  // namespace vorlix
