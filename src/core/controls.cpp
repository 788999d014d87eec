#include "core/controls.h"

#include <stdexcept>
#include <string>

namespace vorlix {

void requireComboNumber(int comboNumber) {
  if (comboNumber < 1 || comboNumber > PriorityCombo)
    throw std::out_of_range("no drop-down list Combo" + std::to_string(comboNumber));
}

void requireBoxNumber(int boxNumber) {
  if (boxNumber < ScannerBox || boxNumber > SlotCount)
    throw std::out_of_range("no check box number " + std::to_string(boxNumber));
}

void requireSlotNumber(int slot) {
  if (slot < 1 || slot > SlotCount)
    throw std::out_of_range("no rule slot " + std::to_string(slot));
}

void requireListIndex(int comboNumber, std::int16_t index) {
  if (!isValidListIndex(comboNumber, index))
    throw std::out_of_range("list index " + std::to_string(index) + " is outside -1 to " +
                            std::to_string(listItemCount(comboNumber) - 1) + " for Combo" +
                            std::to_string(comboNumber));
}

void requireCheckState(CheckState state) {
  if (!isValidCheckState(static_cast<std::int16_t>(state)))
    throw std::out_of_range("check state " + std::to_string(static_cast<int>(state)) +
                            " is outside 0 to 2");
}

}  // namespace vorlix
