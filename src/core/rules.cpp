#include "core/rules.h"

namespace vorlix {

std::wstring fullPath(std::wstring_view hive, std::wstring_view keyPath,
                      std::wstring_view valueName) {
  std::wstring path;
  path.reserve(hive.size() + keyPath.size() + valueName.size() + 2);
  path.append(hive).append(1, L'\\').append(keyPath).append(1, L'\\').append(valueName);
  return path;
}

RuleSlot::RuleSlot(ConfigControls& controls, int number) : controls_(&controls), number_(number) {
  requireSlotNumber(number);
}

CheckState RuleSlot::enableState() const { return controls_->checkValue(number_); }
void RuleSlot::setEnableState(CheckState state) { controls_->setCheckValue(number_, state); }
std::int16_t RuleSlot::hiveIndex() const { return controls_->listIndex(number_); }
void RuleSlot::setHiveIndex(std::int16_t index) { controls_->setListIndex(number_, index); }
std::wstring RuleSlot::keyPath() const { return controls_->text(TextField::KeyPath, number_); }
void RuleSlot::setKeyPath(std::wstring_view path) { controls_->setText(TextField::KeyPath, number_, path); }
std::wstring RuleSlot::valueName() const { return controls_->text(TextField::ValueName, number_); }
void RuleSlot::setValueName(std::wstring_view name) {
  controls_->setText(TextField::ValueName, number_, name);
}

std::wstring RuleSlot::hiveText() const {
  const std::int16_t index = hiveIndex();
  if (index < 0 || index >= static_cast<std::int16_t>(HiveList.size())) return {};
  return std::wstring(HiveList[static_cast<std::size_t>(index)]);
}

std::wstring RuleSlot::fullPath() const {
  // The three parts are read in this order, each at this moment.
  const std::wstring hive = hiveText();
  const std::wstring key = keyPath();
  const std::wstring value = valueName();
  return vorlix::fullPath(hive, key, value);
}

RuleSlot RuleTable::slot(int number) const { return RuleSlot(*controls_, number); }

CheckState ProgramOptions::scannerState() const { return controls_->checkValue(ScannerBox); }

void ProgramOptions::setScannerState(CheckState state) {
  if (state == scannerState()) return;
  controls_->setCheckValue(ScannerBox, state);
  if (reactions_) reactions_->scannerSwitchChanged();
}

std::int16_t ProgramOptions::priorityIndex() const { return controls_->listIndex(PriorityCombo); }

void ProgramOptions::setPriorityIndex(std::int16_t index) {
  if (index == priorityIndex()) return;
  controls_->setListIndex(PriorityCombo, index);
  if (reactions_) reactions_->priorityChanged();
}

}  // namespace vorlix
