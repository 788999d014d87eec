#include "platform/win32/service/privileges.h"

#include <windows.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {


namespace {

unique_handle processToken(DWORD access) {
  unique_handle token;
  checkBool(::OpenProcessToken(::GetCurrentProcess(), access, token.put()), "OpenProcessToken");
  return token;
}

// A TOKEN_PRIVILEGES with its array.
std::vector<BYTE> readPrivileges(HANDLE token) {
  DWORD size = 0;
  (void)::GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);  // the size only
  std::vector<BYTE> buffer(size > sizeof(TOKEN_PRIVILEGES) ? size : sizeof(TOKEN_PRIVILEGES));
  checkBool(::GetTokenInformation(token, TokenPrivileges, buffer.data(),
                                  static_cast<DWORD>(buffer.size()), &size),
            "GetTokenInformation");
  return buffer;
}

}  // namespace

std::vector<std::wstring> heldPrivileges() {
  const std::vector<BYTE> buffer = readPrivileges(processToken(TOKEN_QUERY).get());
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  std::vector<std::wstring> names;
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    LUID_AND_ATTRIBUTES held = privileges->Privileges[i];
    if ((held.Attributes & SE_PRIVILEGE_REMOVED) != 0) continue;
    wchar_t name[64];
    DWORD length = 64;
    checkBool(::LookupPrivilegeNameW(nullptr, &held.Luid, name, &length), "LookupPrivilegeNameW");
    names.emplace_back(name);
  }
  return names;
}

void dropPrivileges() {
  const unique_handle token = processToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
  std::vector<BYTE> buffer = readPrivileges(token.get());
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
  // Read back: one merely disabled is still listed, and could be enabled.
  for (const std::wstring& held : heldPrivileges())
    if (held != SE_CHANGE_NOTIFY_NAME)
      throw Win32Refusal("AdjustTokenPrivileges left " + asciiSummary(held) + " in the token");
}

namespace {
inline void closeServiceHandle(SC_HANDLE handle) { (void)::CloseServiceHandle(handle); }
using unique_service_handle = unique_any<SC_HANDLE, closeServiceHandle>;
}  // namespace

bool tryRequireOnlyTraversal(const wchar_t* serviceName) {
  const unique_service_handle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  const unique_service_handle service(::OpenServiceW(manager.get(), serviceName, SERVICE_CHANGE_CONFIG));
  if (!service) return false;
  wchar_t privileges[] = SE_CHANGE_NOTIFY_NAME L"\0";  // a list: doubly terminated
  SERVICE_REQUIRED_PRIVILEGES_INFOW info{privileges};
  return ::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO, &info) != FALSE;
}

}  // namespace vorlix::win32
