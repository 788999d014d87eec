// The configuration window's child controls by id, and the live
// configuration (ConfigControls) read from and written to them.
#pragma once

#include <windows.h>

#include <unordered_map>

#include "core/controls.h"
#include "ui/layout.h"

namespace vorlix::win32 {

class ChildControls final : public ConfigControls {
 public:
  void add(int id, HWND control, ui::ControlKind kind);
  // Throws std::out_of_range for an id the window does not have.
  HWND operator[](int id) const;
  ui::ControlKind kindOf(int id) const;
  bool has(int id) const { return controls_.contains(id); }
  // Every control, for what applies to all of them (the font).
  const auto& all() const { return controls_; }

  // Assigning raises nothing: the controls' own notifications are not sent
  // for a value set by code.
  std::int16_t listIndex(int comboNumber) const override;
  void setListIndex(int comboNumber, std::int16_t index) override;
  CheckState checkValue(int boxNumber) const override;
  void setCheckValue(int boxNumber, CheckState state) override;
  std::wstring text(TextField field, int slot) const override;
  void setText(TextField field, int slot, std::wstring_view text) override;

 private:
  struct Control {
    HWND window;
    ui::ControlKind kind;
  };
  std::unordered_map<int, Control> controls_;
};

}  // namespace vorlix::win32
