// How the configuration is laid out in the settings store: 50 entries in four
// sections under "StartUp", their kinds and defaults, the two orders in which
// they are walked, and the conversions between stored text and 16-bit values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/controls.h"

namespace vorlix {

enum class EntryKind { Integer, Text };

// The configuration item, and with it the control, that an entry feeds.
enum class ConfigItem {
  HiveIndex,      // Combo1..Combo12 ListIndex
  PriorityIndex,  // Combo13 ListIndex
  ScannerState,   // scanenabled Value
  EnableState,    // Check1..Check12 Value
  KeyPath,        // key1..key12 Text
  ValueName,      // name1..name12 Text
};

// Stands in a row's key column for the twelve slot keys "1" to "12".
inline constexpr std::wstring_view SlotKeys{};

struct AcceptedRange {
  std::int16_t minimum;
  std::int16_t maximum;
};

struct LayoutRow {
  std::wstring_view section;
  std::wstring_view key;  // SlotKeys, or the one fixed key
  EntryKind kind;
  ConfigItem item;
  std::int16_t defaultValue;  // integer entries; a text entry's default is empty
  AcceptedRange accepts;      // integer entries; text entries accept any text
};

inline constexpr AcceptedRange HiveSelectorRange{NoSelection, HiveItemCount - 1};
inline constexpr AcceptedRange PrioritySelectorRange{NoSelection, PriorityItemCount - 1};
inline constexpr AcceptedRange CheckRange{0, 2};
inline constexpr AcceptedRange AnyText{0, 0};

// Top to bottom, this is the load order.
inline constexpr std::array<LayoutRow, 6> SettingsLayout{{
    // section       keys        kind                item                       default  accepts
    {L"Reg",        SlotKeys,   EntryKind::Integer, ConfigItem::HiveIndex,     -1,      HiveSelectorRange},
    {L"Reg",        L"13",      EntryKind::Integer, ConfigItem::PriorityIndex,  2,      PrioritySelectorRange},
    {L"Reg",        L"Enabled", EntryKind::Integer, ConfigItem::ScannerState,   1,      CheckRange},
    {L"EnableKeys", SlotKeys,   EntryKind::Integer, ConfigItem::EnableState,    0,      CheckRange},
    {L"keydirs",    SlotKeys,   EntryKind::Text,    ConfigItem::KeyPath,        0,      AnyText},
    {L"keynames",   SlotKeys,   EntryKind::Text,    ConfigItem::ValueName,      0,      AnyText},
}};

inline constexpr std::size_t SettingsEntryCount = 50;

// One stored entry: a row of the layout, and for the slot rows the slot.
struct SettingsEntry {
  const LayoutRow* row;
  int slot;  // 1..12 for slot rows, 0 for the program options

  std::wstring_view section() const { return row->section; }
  std::wstring key() const;
  EntryKind kind() const { return row->kind; }
  ConfigItem item() const { return row->item; }
  // As handed to readSetting: an integer default comes back as its text.
  std::wstring defaultText() const;
  bool accepts(std::int16_t value) const;
  // "a whole number from -1 to 4", "any text": for telling the user.
  std::wstring acceptedDescription() const;
};

using EntryOrder = std::vector<SettingsEntry>;

// Every row top to bottom, slot 1 first within a row: loading, reverting and
// the save at unload.
EntryOrder loadOrder();
// The load order with the scanner switch moved behind the key paths: the save
// on OK.
EntryOrder okOrder();

// The writer's form: optional minus, digits, no leading zeros, no blanks.
std::wstring formatInteger(std::int16_t value);

// Accepts the writer's form, and also surrounding blanks (space or tab), a
// leading plus sign, leading zeros and "-0". Refuses everything else: the
// empty text, fractions, exponents, hexadecimal, inner blanks, other digits
// than 0-9, and numbers outside -32768 to 32767.
std::optional<std::int16_t> parseInteger(std::wstring_view text);

}  // namespace vorlix
