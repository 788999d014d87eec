#include "core/held_controls.h"

#include "core/unexpected_failure.h"

namespace vorlix {

std::int16_t HeldControls::listIndex(int comboNumber) const {
  requireComboNumber(comboNumber);
  return listIndexes_[static_cast<std::size_t>(comboNumber)];
}

void HeldControls::setListIndex(int comboNumber, std::int16_t index) {
  requireComboNumber(comboNumber);
  requireListIndex(comboNumber, index);
  listIndexes_[static_cast<std::size_t>(comboNumber)] = index;
}

CheckState HeldControls::checkValue(int boxNumber) const {
  requireBoxNumber(boxNumber);
  return checks_[static_cast<std::size_t>(boxNumber)];
}

void HeldControls::setCheckValue(int boxNumber, CheckState state) {
  requireBoxNumber(boxNumber);
  requireCheckState(state);
  checks_[static_cast<std::size_t>(boxNumber)] = state;
}

std::wstring HeldControls::text(TextField field, int slot) const {
  requireSlotNumber(slot);
  const auto& texts = field == TextField::KeyPath ? keys_ : names_;
  return texts[static_cast<std::size_t>(slot)];
}

void HeldControls::setText(TextField field, int slot, std::wstring_view text) {
  requireSlotNumber(slot);
  // Kept whole: the one text an edit control would cut, one with a NUL in
  // it, is one no registry text can be.
  auto& texts = field == TextField::KeyPath ? keys_ : names_;
  texts[static_cast<std::size_t>(slot)] = std::wstring(text);
}

void copyControls(const ConfigControls& from, ConfigControls& to) {
  for (int combo = 1; combo <= PriorityCombo; ++combo) to.setListIndex(combo, from.listIndex(combo));
  for (int box = ScannerBox; box <= SlotCount; ++box) to.setCheckValue(box, from.checkValue(box));
  for (int slot = 1; slot <= SlotCount; ++slot) {
    to.setText(TextField::KeyPath, slot, from.text(TextField::KeyPath, slot));
    to.setText(TextField::ValueName, slot, from.text(TextField::ValueName, slot));
  }
}

void DeferredControls::handOver(ConfigControls& controls) {
  if (handedOver()) unreachable("the controls were handed over already");
  copyControls(held_, controls);
  live_ = &controls;
}

}  // namespace vorlix
