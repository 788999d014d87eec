// A security identifier as Windows writes it, "S-1-5-18": in object names,
// access lists written as text, and what the program tells the user.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vorlix::win32 {

// Empty for no SID. Throws Win32Error.
std::wstring sidText(PSID sid);

// The user this process runs as, from its token.
struct ProcessUser {
  std::vector<BYTE> tokenUser;  // TOKEN_USER, which the SID points into
  std::wstring sidText;
  PSID sid() const { return reinterpret_cast<const TOKEN_USER*>(tokenUser.data())->User.Sid; }
};

// Throws Win32Error.
ProcessUser processUser();

}  // namespace vorlix::win32
