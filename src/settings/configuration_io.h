// Reading and writing the whole configuration: all 50 entries moved
// between the settings store and the window's controls, read in the load
// order or written in either order. Each of the program's flows (load,
// revert, save, unload) is one of these two.
#pragma once

#include "core/rules.h"
#include "settings/stored_entries.h"
#include "settings/settings_failure.h"
#include "settings/settings_store.h"

namespace vorlix {

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

}  // namespace vorlix
