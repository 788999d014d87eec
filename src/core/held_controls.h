// The configuration of a window whose controls are made only when it is
// first shown. Until then the values are held in plain memory, exactly as
// the controls would hold them; from then on the controls are the one copy.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "core/controls.h"

namespace vorlix {

// Plain memory with the window's initial values: every box Unchecked,
// nothing selected, every text empty. Refuses what the controls refuse.
// Also the whole configuration of the service, which has no window.
class HeldControls final : public ConfigControls {
 public:
  std::int16_t listIndex(int comboNumber) const override;
  void setListIndex(int comboNumber, std::int16_t index) override;
  CheckState checkValue(int boxNumber) const override;
  void setCheckValue(int boxNumber, CheckState state) override;
  std::wstring text(TextField field, int slot) const override;
  void setText(TextField field, int slot, std::wstring_view text) override;

 private:
  template <class T, std::size_t N>
  static constexpr std::array<T, N> filledWith(T value) {
    std::array<T, N> a{};
    a.fill(value);
    return a;
  }

  std::array<std::int16_t, PriorityCombo + 1> listIndexes_ =
      filledWith<std::int16_t, PriorityCombo + 1>(NoSelection);
  std::array<CheckState, SlotCount + 1> checks_{};  // Unchecked
  std::array<std::wstring, SlotCount + 1> keys_;
  std::array<std::wstring, SlotCount + 1> names_;
};

// Every value of `from` assigned to `to`: the lists, the boxes, the texts.
void copyControls(const ConfigControls& from, ConfigControls& to);

// The one live copy: held in memory until handOver() gives the values to the
// real controls, which are the live copy from then on. Whoever keeps this
// reference (the scan timing, the flows) follows the hand-over unawares.
class DeferredControls final : public ConfigControls {
 public:
  DeferredControls() = default;
  DeferredControls(const DeferredControls&) = delete;
  DeferredControls& operator=(const DeferredControls&) = delete;

  // Fills `controls` from the copy and makes them live. Once only; if the
  // filling fails, the copy stays live and a later hand-over may try again.
  void handOver(ConfigControls& controls);
  bool handedOver() const { return live_ != &held_; }

  std::int16_t listIndex(int comboNumber) const override { return live_->listIndex(comboNumber); }
  void setListIndex(int comboNumber, std::int16_t index) override {
    live_->setListIndex(comboNumber, index);
  }
  CheckState checkValue(int boxNumber) const override { return live_->checkValue(boxNumber); }
  void setCheckValue(int boxNumber, CheckState state) override {
    live_->setCheckValue(boxNumber, state);
  }
  std::wstring text(TextField field, int slot) const override { return live_->text(field, slot); }
  void setText(TextField field, int slot, std::wstring_view text) override {
    live_->setText(field, slot, text);
  }

 private:
  HeldControls held_;
  ConfigControls* live_ = &held_;
};

}  // namespace vorlix
