// Kept copies: what a deletion removed, kept so that it can be looked at,
// exported and written back. The deleter reads an entry through the handle
// that then deletes it and hands it to a DeletionKeeper first; only a copy
// that is kept lets the deletion go on.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/deletion_outcome.h"
#include "core/hives.h"

namespace vorlix {

using KeptTime = std::chrono::system_clock::time_point;

// The system's ERROR_NOT_ENOUGH_MEMORY, for a copy that memory could not hold.
inline constexpr std::uint32_t ErrorNotEnoughMemory = 8;

// One registry value as read: its name, type number and data, byte for byte.
struct KeptValue {
  std::wstring name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const KeptValue&) const = default;
};

// Where a deleted entry was: the hive as the path was resolved (a part of
// HKEY_CLASSES_ROOT, the control set in use), the key path below it, and a
// value's name; a key is deleted as a leaf, with its values.
struct DeletedEntry {
  Hive root = Hive::CurrentUser;
  std::wstring key;
  std::wstring value;  // for a value
  bool isKey = false;
  bool operator==(const DeletedEntry&) const = default;
};

// One kept copy of an entry. An entry written back with the same content
// is counted on its copy; new content is a new copy.
struct KeptCopy {
  std::uint64_t id = 0;  // in the order the copies were first kept
  int rule = 0;          // the rule of the last deletion (1 to 12; 0: none)
  DeletedEntry entry;
  // A value: exactly one, named as entry.value. A key: its values.
  std::vector<KeptValue> values;
  KeptTime first{};
  KeptTime last{};
  std::uint64_t count = 1;  // deletions of this content
  bool operator==(const KeptCopy&) const = default;
};

// Whether the owner of an archive folder found in place (a SID as text)
// could have made it: SYSTEM or Administrators, and for the user's
// archive the user. Anyone else could read what is kept there.
inline bool isTrustedArchiveOwner(std::wstring_view owner, std::wstring_view user, bool machine) {
  return owner == L"S-1-5-18" || owner == L"S-1-5-32-544" || (!machine && owner == user);
}

// The archive folder's security descriptor in SDDL: owned by the user (by
// Administrators for the machine's), and an access list protected from
// what the folder above grants, passed on to the files in it, that lets
// in the user alone (SYSTEM and Administrators for the machine's).
inline std::wstring archiveFolderDescriptor(std::wstring_view user, bool machine) {
  if (machine) return L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  const std::wstring sid(user);
  return L"O:" + sid + L"D:P(A;OICI;FA;;;" + sid + L")";
}

// What the deleter hands its reads to, before it deletes.
class DeletionKeeper {
 public:
  // Nothing when the copy is kept (now or already): the deletion may go on.
  // Otherwise the outcome to answer instead, and the entry stays.
  virtual std::optional<DeletionOutcome> keep(const DeletedEntry& entry,
                                              std::vector<KeptValue> values) noexcept = 0;
  virtual void ruleInProgress(int slot) noexcept = 0;

 protected:
  ~DeletionKeeper() = default;
};

}  // namespace vorlix
