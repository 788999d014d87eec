#include "settings/stored_entries.h"

namespace vorlix {

std::wstring SettingsEntry::key() const {
  return row->key == SlotKeys ? std::to_wstring(slot) : std::wstring(row->key);
}

std::wstring SettingsEntry::defaultText() const {
  return kind() == EntryKind::Integer ? formatInteger(row->defaultValue) : std::wstring();
}

bool SettingsEntry::accepts(std::int16_t value) const {
  return kind() == EntryKind::Text ||
         (value >= row->accepts.minimum && value <= row->accepts.maximum);
}

std::wstring SettingsEntry::acceptedDescription() const {
  if (kind() == EntryKind::Text) return L"any text";
  return L"a whole number from " + formatInteger(row->accepts.minimum) + L" to " +
         formatInteger(row->accepts.maximum);
}

namespace {

void appendRow(EntryOrder& order, const LayoutRow& row) {
  if (row.key == SlotKeys) {
    for (int slot = 1; slot <= SlotCount; ++slot) order.push_back({&row, slot});
  } else {
    order.push_back({&row, 0});
  }
}

}  // namespace

EntryOrder loadOrder() {
  EntryOrder order;
  order.reserve(SettingsEntryCount);
  for (const LayoutRow& row : SettingsLayout) appendRow(order, row);
  return order;
}

EntryOrder okOrder() {
  EntryOrder order;
  order.reserve(SettingsEntryCount);
  const LayoutRow* scannerSwitch = nullptr;
  for (const LayoutRow& row : SettingsLayout) {
    if (row.item == ConfigItem::ScannerState) {
      scannerSwitch = &row;
      continue;
    }
    appendRow(order, row);
    if (row.item == ConfigItem::KeyPath && scannerSwitch != nullptr) appendRow(order, *scannerSwitch);
  }
  return order;
}

std::wstring formatInteger(std::int16_t value) { return std::to_wstring(value); }

std::optional<std::int16_t> parseInteger(std::wstring_view text) {
  const auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

  bool negative = false;
  if (!text.empty() && (text.front() == L'-' || text.front() == L'+')) {
    negative = text.front() == L'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;

  // Stops growing past the range, so any number of digits is safe.
  std::int32_t magnitude = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    magnitude = magnitude * 10 + (c - L'0');
    if (magnitude > 32768) return std::nullopt;
  }
  const std::int32_t value = negative ? -magnitude : magnitude;
  if (value > 32767) return std::nullopt;
  return static_cast<std::int16_t>(value);
}

}  // namespace vorlix
