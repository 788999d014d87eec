// Per-user text settings, addressed by application, section and key. The
// program only ever reads one entry with a default and writes one entry: it
// never deletes or lists anything.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "core/text.h"

namespace vorlix {

// Every entry of the program lives under this application name.
inline constexpr std::wstring_view SettingsApplication = L"StartUp";

// Thrown by a store when an entry cannot be read or written.
class SettingsStoreError : public std::runtime_error {
 public:
  enum class Kind {
    // The entry exists but holds something other than text (for example a
    // number stored in binary form), so it cannot be one of our values.
    UnreadableValue,
    // The platform refused the read or the write.
    SystemFailure,
  };

  SettingsStoreError(Kind kind, std::wstring reason);
  Kind kind() const { return kind_; }
  // Why, in words a user can act on: the system's message or what the entry
  // holds instead of text.
  const std::wstring& reason() const { return reason_; }

 private:
  Kind kind_;
  std::wstring reason_;
};

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The stored text if the entry exists, also when it is empty; the default
  // when the entry, its section or its application is absent.
  virtual std::wstring readSetting(std::wstring_view application, std::wstring_view section,
                                   std::wstring_view key, std::wstring_view defaultValue) = 0;
  // Creates the entry (and its section and application) or replaces its text.
  virtual void writeSetting(std::wstring_view application, std::wstring_view section,
                            std::wstring_view key, std::wstring_view value) = 0;

  // Where a section is kept, precise enough for a user to find and correct
  // an entry in it by hand.
  virtual std::wstring location(std::wstring_view application,
                                std::wstring_view section) const = 0;
};

}  // namespace vorlix
