// HKEY_CLASSES_ROOT is no key of its own on Windows but a view:
// HKEY_CURRENT_USER\Software\Classes merged over
// HKEY_LOCAL_MACHINE\Software\Classes. A key path under it opens the user's
// key where the user has one, else the machine's, and the values seen there,
// written there and deleted there are that one key's: the user's key hides
// the machine's. Wine maps the hive to the machine part alone, so the
// program reads the view itself, the same way on both.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "core/hives.h"
#include "core/registry_path.h"

namespace vorlix {

// Whether the key below the root is there; the empty path is the root itself.
using KeyExists = std::function<bool(Hive root, std::wstring_view key)>;

// The two parts of the view, the user's first: the one that wins.
inline constexpr std::array<Hive, 2> ClassesParts{Hive::CurrentUser, Hive::LocalMachine};
// Where each part keeps the classes, below its hive.
inline constexpr std::wstring_view ClassesKey = L"Software\\Classes";

// A key path under HKEY_CLASSES_ROOT as the same key below a part's root.
std::wstring classesKeyPath(std::wstring_view key);

// The reading with HKEY_CLASSES_ROOT replaced by the part that holds the
// entry, as the view resolves it: the user's part when the entry's key (the
// value's key, or the key itself) exists there, else the machine's. The
// root's own values are the machine part's: the predefined handle is the
// machine's key, and only keys below it are looked up in the user's part.
// A path that grows past the registry's longest name names nothing. Other
// roots, and paths that name nothing, are returned as they are.
RegistryPathReading inClassesPart(RegistryPathReading reading, const KeyExists& exists);

}  // namespace vorlix
