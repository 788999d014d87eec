// Moving the configuration between the settings store and the window's
// controls: all 50 entries read in the load order, or written in either order.
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
// moment. Throws SettingsFailure at the first failed write: the entries
// before it hold the new values. Never changes a control.
void writeConfiguration(SettingsStore& store, const RuleTable& rules,
                        const ProgramOptions& options, const EntryOrder& order);

}  // namespace vorlix
