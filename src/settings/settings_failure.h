// What went wrong when the configuration could not be read or written, with
// everything a user needs to find and correct the stored entry.
#pragma once

#include <stdexcept>
#include <string>

#include "settings/stored_entries.h"

namespace vorlix {

enum class SettingsFailureKind {
  NotANumber,       // an integer entry's text is not a 16-bit number
  Refused,          // a number that its control does not accept
  UnreadableValue,  // the entry holds something other than text
  ReadFailed,       // the store could not read the entry
  WriteFailed,      // the store could not write the entry
};

struct SettingsFailureDetails {
  SettingsFailureKind kind;
  std::wstring section;
  std::wstring key;
  std::wstring storedText;   // what was read (NotANumber, Refused)
  EntryKind entryKind;       // what the entry holds: a number or any text
  std::wstring accepted;     // e.g. "a whole number from -1 to 4"
  std::wstring defaultText;  // what an absent entry would have read as
  std::wstring location;     // the store's place of the section
  std::wstring reason;       // the store's or system's reason (the other kinds)
};

// Thrown by readConfiguration and writeConfiguration, stopped at the entry
// it names. An exception rather than a result, because like any other
// failure inside an event handler it ends the handler at that point; the
// program catches it at the edge of the event and shows
// describeSettingsFailure.
class SettingsFailure : public std::runtime_error {
 public:
  explicit SettingsFailure(SettingsFailureDetails details);
  const SettingsFailureDetails& details() const noexcept { return details_; }
  SettingsFailureKind kind() const noexcept { return details_.kind; }
  bool duringRead() const noexcept { return details_.kind != SettingsFailureKind::WriteFailed; }

 private:
  SettingsFailureDetails details_;
};

// A message box text in plain English: which entry, what it holds, what it
// must hold, and where to correct it.
std::wstring describeSettingsFailure(const SettingsFailure& failure);

}  // namespace vorlix
