// A security identifier as Windows writes it, "S-1-5-18": in object names,
// access lists written as text, and what the program tells the user.
#pragma once

#include <windows.h>

#include <string>

namespace vorlix::win32 {

// Empty for no SID. Throws Win32Error.
std::wstring sidText(PSID sid);

}  // namespace vorlix::win32
