// The registry as the program opens it: the five roots, and every key in
// the 64-bit view.
#pragma once

#include <windows.h>

#include <string>

#include "core/hives.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// The 64-bit view in every build. A 64-bit process has it already; a 32-bit
// build would otherwise be sent to Software\WOW6432Node under
// HKEY_LOCAL_MACHINE, so only there is the flag given: with a view flag,
// Wine opens a new root handle for HKEY_CLASSES_ROOT at every call and never
// closes it, which at "Very High" loses handles every second.
#ifdef _WIN64
inline constexpr REGSAM RegistryView = 0;
#else
inline constexpr REGSAM RegistryView = KEY_WOW64_64KEY;
#endif

// The predefined handle of a root; not ours to close.
HKEY rootKey(Hive root);

// Opens `key` below `root` into `opened`, or says why it could not (most
// often: it is missing). An empty path opens a handle of the root's own.
LSTATUS tryOpenKey(HKEY root, const std::wstring& key, REGSAM access, unique_hkey& opened);

}  // namespace vorlix::win32
