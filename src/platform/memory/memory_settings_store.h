// A settings store in plain memory that records every read and write in
// order, and can be told to hold a non-text value or to refuse a write.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "settings/settings_store.h"

namespace vorlix {

struct SettingsCall {
  enum class Kind { Read, Write };
  Kind kind;
  std::wstring application;
  std::wstring section;
  std::wstring key;
  std::wstring text;  // the default passed to a read, the text of a write

  bool operator==(const SettingsCall&) const = default;
};

class MemorySettingsStore final : public SettingsStore {
 public:
  std::wstring readSetting(std::wstring_view application, std::wstring_view section,
                           std::wstring_view key, std::wstring_view defaultValue) override;
  void writeSetting(std::wstring_view application, std::wstring_view section,
                    std::wstring_view key, std::wstring_view value) override;
  std::wstring location(std::wstring_view application, std::wstring_view section) const override;

  // Set-up and inspection, not recorded. Names match exactly, letter case
  // included.
  void put(std::wstring_view section, std::wstring_view key, std::wstring_view text,
           std::wstring_view application = SettingsApplication);
  std::optional<std::wstring> get(std::wstring_view section, std::wstring_view key,
                                  std::wstring_view application = SettingsApplication) const;
  // The entry holds something other than text; reading it throws
  // UnreadableValue with `what` as the reason.
  void putUnreadable(std::wstring_view section, std::wstring_view key, std::wstring_view what);
  // Writing this entry throws SystemFailure with `reason`.
  void failWritesTo(std::wstring_view section, std::wstring_view key, std::wstring_view reason);
  std::size_t entryCount() const { return entries_.size(); }

  std::vector<SettingsCall> calls;
  // Runs inside each call before it takes effect, e.g. to log hook calls in
  // between or to change controls mid-flow.
  std::function<void(const SettingsCall&)> onCall;

 private:
  using Address = std::tuple<std::wstring, std::wstring, std::wstring>;
  struct Stored {
    std::wstring text;
    std::optional<std::wstring> unreadable;
  };
  void record(SettingsCall call);

  std::map<Address, Stored> entries_;
  std::map<Address, std::wstring> failingWrites_;
};

}  // namespace vorlix
