#include "settings/flows.h"

#include <utility>

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
  return {};
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
  for (const SettingsEntry& entry : order) {
    const std::wstring text = storedForm(entry, rules, options);
    try {
      store.writeSetting(SettingsApplication, entry.section(), entry.key(), text);
    } catch (const SettingsStoreError& error) {
      throw failureAt(store, entry, SettingsFailureKind::WriteFailed, {}, error.reason());
    }
  }
}

}  // namespace vorlix
