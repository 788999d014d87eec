// The four flows that move the configuration between the settings store and
// the window's controls: the load at start-up, the revert on CANCEL, the save
// on OK and the save at unload.
#pragma once

#include "core/rules.h"
#include "settings/layout.h"
#include "settings/settings_failure.h"
#include "settings/settings_store.h"

namespace vorlix {

// The steps around the flows that belong to the window, the tray icon and the
// scan timer; the window wires them to the real thing.
class FlowHooks {
 public:
  virtual void hideWindow() = 0;
  virtual void addTrayIcon() = 0;
  virtual void deleteTrayIcon() = 0;
  // Starts the scan timer if the scanner switch is Checked, never stops it.
  virtual void switchOn() = 0;

 protected:
  ~FlowHooks() = default;
};

// Reads all 50 entries in the load order, each straight into its control.
// Assigning through `options` lets a changed priority or scanner switch react
// at that point. Throws SettingsFailure at the first entry that cannot be
// read or that its control refuses: the controls before it hold the values
// just read, that one and all later ones keep theirs. Never writes.
void readConfiguration(SettingsStore& store, const RuleTable& rules, ProgramOptions& options);

// Writes all 50 entries in `order`, each read from its control at that
// moment. First reads each rule's stored hive, key path and value name: a
// rule where one of them changes (or cannot be read) has its enable entry
// written before the first of them, as 0 if its box is Checked, and written
// as 1 only after the last; so however early the save stops, no stored rule
// is enabled with parts of two configurations. A save that changes no rule
// writes the 50 entries exactly in `order`. Throws SettingsFailure at the
// first failed write: the entries before it hold the new values (a Checked
// rule being changed stays at 0). Never changes a control.
void writeConfiguration(SettingsStore& store, const RuleTable& rules,
                        const ProgramOptions& options, const EntryOrder& order);

class ConfigurationFlows {
 public:
  // `options` should carry the timing's reactions (ProgramOptions(controls,
  // &scanTiming)), so loaded values switch the timer as clicks would.
  ConfigurationFlows(SettingsStore& store, RuleTable rules, ProgramOptions options,
                     FlowHooks& hooks)
      : store_(store), rules_(rules), options_(options), hooks_(hooks) {}

  // Form1 Load: hide, read, add the tray icon, switch on.
  void load();
  // cancel Click: hide, read. Leaves the timer and the icon alone.
  void revert();
  // ok Click: hide, write in the OK order, switch on.
  void saveOnOk();
  // Form1 Unload: write in the load order, delete the tray icon.
  void unload();

 private:
  SettingsStore& store_;
  RuleTable rules_;
  ProgramOptions options_;
  FlowHooks& hooks_;
};

}  // namespace vorlix
