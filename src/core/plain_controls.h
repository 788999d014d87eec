// Controls held in plain memory, with the window's initial values: every box
// Unchecked, nothing selected, every text empty. The configuration of a
// program without a window (the service), and the tests' stand-in for one.
#pragma once

#include <array>
#include <string>

#include "core/controls.h"

namespace vorlix {

class PlainControls final : public ConfigControls {
 public:
  std::int16_t listIndex(int comboNumber) const override;
  void setListIndex(int comboNumber, std::int16_t index) override;
  CheckState checkValue(int boxNumber) const override;
  void setCheckValue(int boxNumber, CheckState state) override;
  std::wstring text(TextField field, int slot) const override;
  void setText(TextField field, int slot, std::wstring_view text) override;

 private:
  std::array<std::int16_t, PriorityCombo + 1> listIndexes_ = filledWith<std::int16_t, PriorityCombo + 1>(NoSelection);
  std::array<CheckState, SlotCount + 1> checks_{};  // Unchecked
  std::array<std::wstring, SlotCount + 1> keys_;
  std::array<std::wstring, SlotCount + 1> names_;

  template <class T, std::size_t N>
  static constexpr std::array<T, N> filledWith(T value) {
    std::array<T, N> a{};
    a.fill(value);
    return a;
  }
};

}  // namespace vorlix
