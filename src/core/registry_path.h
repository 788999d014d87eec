// What a deletion path names in the registry: the root, the key below it and
// either a value in that key or the key itself. Pure text work, so the rules
// are the same on every build and are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/deletion_outcome.h"
#include "core/hives.h"

namespace vorlix {

// The registry functions pass a name on as a counted string of at most this
// many characters and silently cut a longer one short (RtlInitUnicodeString;
// seen under Wine): a key path just past it would name one of its own
// ancestors, and delete that.
inline constexpr std::size_t LongestRegistryName = 32766;

struct RegistryTarget {
  enum class Kind : std::uint8_t { Nothing, Value, Key };

  Kind kind = Kind::Nothing;
  Hive root = Hive::ClassesRoot;  // meaningless for Nothing
  // Key path below the root, its parts joined by single backslashes. For a
  // value it may be empty: the root key itself.
  // For a key it is never empty.
  std::wstring keyPath;
  // Name of the value; empty for a key.
  std::wstring valueName;

  bool operator==(const RegistryTarget&) const = default;
};

// The root is the text before the first backslash: one of the five full hive
// names or HKCU, HKLM, HKCR, matched exactly (case included). A path ending in
// a backslash names the key between the first and the last backslash; any
// other path names the value after the last backslash, in the key between the
// first and the last (none: a value of the root key itself). Empty parts in
// the middle or at the end of the key path are skipped, as Windows reads them.
// Everything else names nothing: no backslash, an unknown root, a key path
// starting with a backslash (also one of backslashes only), the root itself
// as the key to delete, a key path (without its empty parts) or value name
// longer than 32,766 characters, and a path containing a NUL character.
RegistryTarget parseRegistryPath(std::wstring_view path);

// The same reading, with the reason when the path names nothing: the one
// parse behind both the deleter and the window's account of a rule.
struct RegistryPathReading {
  RegistryTarget target;
  PathFault fault = PathFault::None;  // None exactly when the target names something
};
RegistryPathReading readRegistryPath(std::wstring_view path);

}  // namespace vorlix
