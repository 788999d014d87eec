// The window's controls, the one live copy of the configuration. The real
// window backs this interface with its Win32 controls; tests back it with
// plain memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vorlix {

enum class CheckState : std::int16_t { Unchecked = 0, Checked = 1, Grayed = 2 };

inline constexpr int SlotCount = 12;

// ListIndex of a drop-down list with nothing selected.
inline constexpr std::int16_t NoSelection = -1;
// The entries of the hive selectors (the five hives) and of the priority
// selector (the six levels).
inline constexpr std::int16_t HiveItemCount = 5;
inline constexpr std::int16_t PriorityItemCount = 6;

// Combo1..Combo12 are the hive selectors of slots 1..12; Combo13 is the
// priority selector.
inline constexpr int PriorityCombo = 13;
// Check1..Check12 are the enable boxes of slots 1..12; scanenabled is box 0.
inline constexpr int ScannerBox = 0;

enum class TextField { KeyPath, ValueName };  // keyN, nameN

constexpr std::int16_t listItemCount(int comboNumber) {
  return comboNumber == PriorityCombo ? PriorityItemCount : HiveItemCount;
}
constexpr bool isValidListIndex(int comboNumber, std::int16_t index) {
  return index >= NoSelection && index < listItemCount(comboNumber);
}
constexpr bool isValidCheckState(std::int16_t value) { return value >= 0 && value <= 2; }

// Raw access: assigning here raises no notification. Setters throw
// std::out_of_range for a control number or a value the control refuses.
class ConfigControls {
 public:
  virtual ~ConfigControls() = default;

  virtual std::int16_t listIndex(int comboNumber) const = 0;
  virtual void setListIndex(int comboNumber, std::int16_t index) = 0;

  virtual CheckState checkValue(int boxNumber) const = 0;
  virtual void setCheckValue(int boxNumber, CheckState state) = 0;

  virtual std::wstring text(TextField field, int slot) const = 0;
  virtual void setText(TextField field, int slot, std::wstring_view text) = 0;
};

// Shared argument checks for every backing, so they refuse alike.
void requireComboNumber(int comboNumber);
void requireBoxNumber(int boxNumber);
void requireSlotNumber(int slot);
void requireListIndex(int comboNumber, std::int16_t index);
void requireCheckState(CheckState state);

}  // namespace vorlix
