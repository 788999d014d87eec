#include "core/plain_controls.h"

namespace vorlix {

std::int16_t PlainControls::listIndex(int comboNumber) const {
  requireComboNumber(comboNumber);
  return listIndexes_[static_cast<std::size_t>(comboNumber)];
}

void PlainControls::setListIndex(int comboNumber, std::int16_t index) {
  requireComboNumber(comboNumber);
  requireListIndex(comboNumber, index);
  listIndexes_[static_cast<std::size_t>(comboNumber)] = index;
}

CheckState PlainControls::checkValue(int boxNumber) const {
  requireBoxNumber(boxNumber);
  return checks_[static_cast<std::size_t>(boxNumber)];
}

void PlainControls::setCheckValue(int boxNumber, CheckState state) {
  requireBoxNumber(boxNumber);
  requireCheckState(state);
  checks_[static_cast<std::size_t>(boxNumber)] = state;
}

std::wstring PlainControls::text(TextField field, int slot) const {
  requireSlotNumber(slot);
  const auto& texts = field == TextField::Key ? keys_ : names_;
  return texts[static_cast<std::size_t>(slot)];
}

void PlainControls::setText(TextField field, int slot, std::wstring_view text) {
  requireSlotNumber(slot);
  auto& texts = field == TextField::Key ? keys_ : names_;
  texts[static_cast<std::size_t>(slot)] = std::wstring(text);
}

}  // namespace vorlix
