#include "settings/configuration_io.h"

#include "core/unexpected_failure.h"

#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace vorlix {
namespace {

SettingsFailure failureAt(const SettingsStore& store, const SettingsEntry& entry,
                          SettingsFailureKind kind, std::wstring storedText, std::wstring reason) {
  return SettingsFailure({
      .kind = kind,
      .section = std::wstring(entry.section()),
      .key = entry.key(),
      .storedText = std::move(storedText),
      .entryKind = entry.kind(),
      .accepted = entry.acceptedDescription(),
      .defaultText = entry.defaultText(),
      .location = store.location(SettingsApplication, entry.section()),
      .reason = std::move(reason),
  });
}

void assignInteger(const SettingsEntry& entry, std::int16_t value, const RuleTable& rules,
                   ProgramOptions& options) {
  switch (entry.item()) {
    case ConfigItem::HiveIndex: rules.slot(entry.slot).setHiveIndex(value); return;
    case ConfigItem::PriorityIndex: options.setPriorityIndex(value); return;
    case ConfigItem::ScannerState: options.setScannerState(static_cast<CheckState>(value)); return;
    case ConfigItem::EnableState:
      rules.slot(entry.slot).setEnableState(static_cast<CheckState>(value));
      return;
    case ConfigItem::KeyPath:
    case ConfigItem::ValueName: break;
  }
  unreachable("a text entry assigned as a number");
}

void assignText(const SettingsEntry& entry, std::wstring_view text, const RuleTable& rules) {
  if (entry.item() == ConfigItem::KeyPath) rules.slot(entry.slot).setKeyPath(text);
  if (entry.item() == ConfigItem::ValueName) rules.slot(entry.slot).setValueName(text);
}

// The control's value at this moment, in its stored form.
std::wstring storedForm(const SettingsEntry& entry, const RuleTable& rules,
                        const ProgramOptions& options) {
  switch (entry.item()) {
    case ConfigItem::HiveIndex: return formatInteger(rules.slot(entry.slot).hiveIndex());
    case ConfigItem::PriorityIndex: return formatInteger(options.priorityIndex());
    case ConfigItem::ScannerState:
      return formatInteger(static_cast<std::int16_t>(options.scannerState()));
    case ConfigItem::EnableState:
      return formatInteger(static_cast<std::int16_t>(rules.slot(entry.slot).enableState()));
    case ConfigItem::KeyPath: return rules.slot(entry.slot).keyPath();
    case ConfigItem::ValueName: return rules.slot(entry.slot).valueName();
  }
  unreachable("an entry without a control");
}

// The entries that together name a rule's registry entry.
bool isRulePart(ConfigItem item) {
  return item == ConfigItem::HiveIndex || item == ConfigItem::KeyPath ||
         item == ConfigItem::ValueName;
}

SettingsEntry enableEntry(int slot) {
  for (const LayoutRow& row : SettingsLayout)
    if (row.item == ConfigItem::EnableState) return {&row, slot};
  unreachable("the layout has no enable boxes");
}

// What the store holds now for each rule part of `order`, by position;
// nothing for the other entries and where a part cannot be read.
std::vector<std::optional<std::wstring>> storedRuleParts(SettingsStore& store,
                                                         const EntryOrder& order) {
  std::vector<std::optional<std::wstring>> stored(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const SettingsEntry& entry = order[i];
    if (!isRulePart(entry.item())) continue;
    try {
      stored[i] = store.readSetting(SettingsApplication, entry.section(), entry.key(),
                                    entry.defaultText());
    } catch (const SettingsStoreError&) {
      // Unknown counts as changed: the rule is merely kept off while written.
    }
  }
  return stored;
}

void readEntry(SettingsStore& store, const SettingsEntry& entry, const RuleTable& rules,
               ProgramOptions& options) {
  std::wstring text;
  try {
    text = store.readSetting(SettingsApplication, entry.section(), entry.key(), entry.defaultText());
  } catch (const SettingsStoreError& error) {
    const auto kind = error.kind() == SettingsStoreError::Kind::UnreadableValue
                          ? SettingsFailureKind::UnreadableValue
                          : SettingsFailureKind::ReadFailed;
    throw failureAt(store, entry, kind, {}, error.reason());
  }

  if (entry.kind() == EntryKind::Text) {
    assignText(entry, text, rules);
    return;
  }
  const std::optional<std::int16_t> value = parseInteger(text);
  if (!value) throw failureAt(store, entry, SettingsFailureKind::NotANumber, std::move(text), {});
  // Checked here rather than left to the control, so the user learns which
  // stored value is wrong and what it should be.
  if (!entry.accepts(*value))
    throw failureAt(store, entry, SettingsFailureKind::Refused, std::move(text), {});
  assignInteger(entry, *value, rules, options);
}

}  // namespace

void readConfiguration(SettingsStore& store, const RuleTable& rules, ProgramOptions& options) {
  for (const SettingsEntry& entry : loadOrder()) readEntry(store, entry, rules, options);
}

void writeConfiguration(SettingsStore& store, const RuleTable& rules,
                        const ProgramOptions& options, const EntryOrder& order) {
  const std::vector<std::optional<std::wstring>> before = storedRuleParts(store, order);
  std::array<bool, SlotCount + 1> guarded{};
  std::array<std::size_t, SlotCount + 1> lastPart{};
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (!isRulePart(order[i].item())) continue;
    const auto slot = static_cast<std::size_t>(order[i].slot);
    if (before[i] != storedForm(order[i], rules, options)) guarded[slot] = true;
    lastPart[slot] = i;
  }

  const auto write = [&](const SettingsEntry& entry, std::wstring_view text) {
    try {
      store.writeSetting(SettingsApplication, entry.section(), entry.key(), text);
    } catch (const SettingsStoreError& error) {
      throw failureAt(store, entry, SettingsFailureKind::WriteFailed, {}, error.reason());
    }
  };
  // A save cut short (the process killed, a failed write) must not leave a
  // rule enabled with its hive from one configuration and its key path from
  // the other: the next start would delete an entry nobody named. So a rule
  // whose parts change is stored as off before the first of them, and as
  // Checked only after the last.
  const std::wstring checked = formatInteger(static_cast<std::int16_t>(CheckState::Checked));
  const std::wstring unchecked = formatInteger(static_cast<std::int16_t>(CheckState::Unchecked));
  std::array<std::optional<std::wstring>, SlotCount + 1> writtenFirst;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const SettingsEntry& entry = order[i];
    const auto slot = static_cast<std::size_t>(entry.slot);
    if (entry.item() == ConfigItem::EnableState && guarded[slot]) continue;  // written below
    const std::wstring text = storedForm(entry, rules, options);
    if (!isRulePart(entry.item())) {
      write(entry, text);
      continue;
    }
    const SettingsEntry enable = enableEntry(entry.slot);
    if (guarded[slot] && !writtenFirst[slot]) {
      // Unchecked or Grayed is off already and can go first as it is.
      const std::wstring state = storedForm(enable, rules, options);
      writtenFirst[slot] = state == checked ? unchecked : state;
      write(enable, *writtenFirst[slot]);
    }
    write(entry, text);
    if (guarded[slot] && i == lastPart[slot]) {
      const std::wstring state = storedForm(enable, rules, options);
      if (state != *writtenFirst[slot]) write(enable, state);
    }
  }
}

}  // namespace vorlix
