// The registry as the program opens it: the five roots, and every key in
// the 64-bit view.
#pragma once

#include <windows.h>

#include <string>

#include "core/hives.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// The 64-bit view in every build: a 32-bit build would otherwise be sent to
// Software\WOW6432Node under HKEY_LOCAL_MACHINE.
inline constexpr REGSAM RegistryView = KEY_WOW64_64KEY;

// The predefined handle of a root; not ours to close.
HKEY rootKey(Hive root);

// An empty handle when the key cannot be opened (most often: it is missing).
// An empty path opens a handle of the root's own.
unique_hkey openKey(HKEY root, const std::wstring& key, REGSAM access);
// The same, saying why a key could not be opened.
LSTATUS openKey(HKEY root, const std::wstring& key, REGSAM access, unique_hkey& opened);

}  // namespace vorlix::win32
