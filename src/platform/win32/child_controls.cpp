#include "platform/win32/child_controls.h"

#include <stdexcept>
#include <string>

namespace vorlix::win32 {

void ChildControls::add(int id, HWND control, ui::ControlKind kind) {
  controls_.insert_or_assign(id, Control{control, kind});
}

HWND ChildControls::operator[](int id) const {
  const auto found = controls_.find(id);
  if (found == controls_.end()) throw std::out_of_range("no control with id " + std::to_string(id));
  return found->second.window;
}

ui::ControlKind ChildControls::kindOf(int id) const {
  const auto found = controls_.find(id);
  if (found == controls_.end()) throw std::out_of_range("no control with id " + std::to_string(id));
  return found->second.kind;
}

std::int16_t ChildControls::listIndex(int comboNumber) const {
  requireComboNumber(comboNumber);
  const LRESULT index = ::SendMessageW((*this)[ui::ids::combo(comboNumber)], CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? NoSelection : static_cast<std::int16_t>(index);
}

void ChildControls::setListIndex(int comboNumber, std::int16_t index) {
  requireComboNumber(comboNumber);
  requireListIndex(comboNumber, index);
  // CB_SETCURSEL raises no CBN_SELCHANGE. It answers CB_ERR for -1 too, so
  // its result says nothing.
  (void)::SendMessageW((*this)[ui::ids::combo(comboNumber)], CB_SETCURSEL,
                       static_cast<WPARAM>(index), 0);
}

CheckState ChildControls::checkValue(int boxNumber) const {
  requireBoxNumber(boxNumber);
  // BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are 0, 1 and 2.
  const LRESULT state = ::SendMessageW((*this)[ui::ids::checkBox(boxNumber)], BM_GETCHECK, 0, 0);
  return static_cast<CheckState>(state);
}

void ChildControls::setCheckValue(int boxNumber, CheckState state) {
  requireBoxNumber(boxNumber);
  requireCheckState(state);
  // BM_SETCHECK raises no BN_CLICKED.
  ::SendMessageW((*this)[ui::ids::checkBox(boxNumber)], BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

std::wstring ChildControls::text(TextField field, int slot) const {
  requireSlotNumber(slot);
  HWND box = (*this)[ui::ids::textBox(field, slot)];
  const LRESULT length = ::SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = ::SendMessageW(box, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void ChildControls::setText(TextField field, int slot, std::wstring_view text) {
  requireSlotNumber(slot);
  const std::wstring copy(text);
  if (!::SendMessageW((*this)[ui::ids::textBox(field, slot)], WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(copy.c_str())))
    throw std::length_error("the text box refused a text of " + std::to_string(copy.size()) +
                            " characters");
}

}  // namespace vorlix::win32
