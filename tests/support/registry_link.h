// Registry links for the tests that check Vorlix never follows one.
#pragma once

#include <windows.h>

#include <string>
#include <thread>

#include "platform/win32/registry_links.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// A link at `at` to `target` below HKEY_LOCAL_MACHINE, made in two calls as
// every link is; the yield widens the time it has no target.
inline LSTATUS makeLink(HKEY root, const std::wstring& at, const std::wstring& target) {
  const std::wstring to = L"\\Registry\\Machine\\" + target;
  unique_hkey link;
  const LSTATUS made = ::RegCreateKeyExW(root, at.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE,
                                         KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.put(), nullptr);
  if (made != ERROR_SUCCESS) return made;
  std::this_thread::yield();
  return ::RegSetValueExW(link.get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(to.data()),
                          static_cast<DWORD>(to.size() * sizeof(wchar_t)));
}

// The link itself, not the key it leads to.
inline LSTATUS removeLink(HKEY root, const std::wstring& at) {
  unique_hkey link;
  const LSTATUS opened = ::RegOpenKeyExW(root, at.c_str(), REG_OPTION_OPEN_LINK, DELETE, link.put());
  return opened == ERROR_SUCCESS ? tryDeleteOpenKey(link.get()) : opened;
}

}  // namespace vorlix::win32
