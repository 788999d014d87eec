// The working configuration: twelve deletion rules and the two program
// options, seen through the window's controls, which hold the one live copy.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "core/controls.h"
#include "core/hives.h"

namespace vorlix {

// hive, backslash, key path, backslash, value name: nothing trimmed, merged
// or checked, so the deleter sees exactly what the user typed.
std::wstring fullPath(std::wstring_view hive, std::wstring_view keyPath,
                      std::wstring_view valueName);

// One rule row of the window. Every read goes to the controls at the moment
// it is made, so a scan uses the edits the user is typing.
class RuleSlot {
 public:
  RuleSlot(ConfigControls& controls, int number);

  int number() const { return number_; }

  CheckState enableState() const;
  void setEnableState(CheckState state);
  std::int16_t hiveIndex() const;
  void setHiveIndex(std::int16_t index);
  std::wstring keyPath() const;
  void setKeyPath(std::wstring_view path);
  std::wstring valueName() const;
  void setValueName(std::wstring_view name);

  bool isActive() const { return enableState() == CheckState::Checked; }
  std::wstring hiveText() const;
  std::wstring fullPath() const;

 private:
  ConfigControls* controls_;
  int number_;
};

class RuleTable {
 public:
  explicit RuleTable(ConfigControls& controls) : controls_(&controls) {}

  // Slot numbers count from 1, as in the control names and stored keys.
  RuleSlot slot(int number) const;

  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = RuleSlot;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = RuleSlot;

    iterator(ConfigControls* controls, int number) : controls_(controls), number_(number) {}
    RuleSlot operator*() const { return RuleSlot(*controls_, number_); }
    iterator& operator++() { ++number_; return *this; }
    iterator operator++(int) { iterator old = *this; ++number_; return old; }
    bool operator==(const iterator& other) const { return number_ == other.number_; }

   private:
    ConfigControls* controls_;
    int number_;
  };

  // Slot order 1, 2, ..., 12: the order of a scan.
  iterator begin() const { return {controls_, 1}; }
  iterator end() const { return {controls_, SlotCount + 1}; }

 private:
  ConfigControls* controls_;
};

// Told when code assigns a different value to the scanner box or the
// priority selector, exactly as a user's click or pick would tell it.
class OptionReactions {
 public:
  virtual void priorityChanged() = 0;
  virtual void scannerSwitchChanged() = 0;

 protected:
  ~OptionReactions() = default;
};

class ProgramOptions {
 public:
  explicit ProgramOptions(ConfigControls& controls, OptionReactions* reactions = nullptr)
      : controls_(&controls), reactions_(reactions) {}

  CheckState scannerState() const;
  // Assigning the state the box already has raises nothing.
  void setScannerState(CheckState state);
  std::int16_t priorityIndex() const;
  // Assigning the level the selector already shows raises nothing.
  void setPriorityIndex(std::int16_t index);

 private:
  ConfigControls* controls_;
  OptionReactions* reactions_;
};

}  // namespace vorlix
