#include "service/win32/privileges.h"

#include <windows.h>

#include <vector>

#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::service::win32 {

void dropPrivileges() {
  using namespace vorlix::win32;
  unique_handle token;
  checkBool(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                               token.put()),
            "OpenProcessToken");
  DWORD size = 0;
  (void)::GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);  // the size only
  std::vector<BYTE> buffer(size > sizeof(TOKEN_PRIVILEGES) ? size : sizeof(TOKEN_PRIVILEGES));
  checkBool(::GetTokenInformation(token.get(), TokenPrivileges, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), &size),
            "GetTokenInformation");
  auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
  LUID traverse{};
  checkBool(::LookupPrivilegeValueW(nullptr, SE_CHANGE_NOTIFY_NAME, &traverse),
            "LookupPrivilegeValueW");
  DWORD kept = 0;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
    const bool isTraverse = p.Luid.LowPart == traverse.LowPart && p.Luid.HighPart == traverse.HighPart;
    if (isTraverse) continue;
    privileges->Privileges[kept] = p;
    privileges->Privileges[kept].Attributes = SE_PRIVILEGE_REMOVED;
    ++kept;
  }
  privileges->PrivilegeCount = kept;
  if (kept == 0) return;
  checkBool(::AdjustTokenPrivileges(token.get(), FALSE, privileges, 0, nullptr, nullptr),
            "AdjustTokenPrivileges");
  // Success with ERROR_NOT_ALL_ASSIGNED still left some in place.
  if (const DWORD partly = ::GetLastError(); partly != ERROR_SUCCESS)
    throw Win32Error("AdjustTokenPrivileges", partly);
}

}  // namespace vorlix::service::win32
