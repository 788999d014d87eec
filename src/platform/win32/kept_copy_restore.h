// Writing a kept copy back where it was: a value with its type and data, or
// a key (made again where it is missing) with its values. The registry is
// reached as the tray reaches it, by name; values the key holds meanwhile
// are overwritten where they share a name and left otherwise.
#pragma once

#include <windows.h>

#include "core/kept_copies.h"

namespace vorlix::win32 {

// ERROR_SUCCESS, or the first failure; values written before it stay.
LSTATUS restoreKeptCopy(const KeptCopy& copy);

}  // namespace vorlix::win32
