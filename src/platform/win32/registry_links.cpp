#include "platform/win32/registry_links.h"

#include <string>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

bool pathCrossesRegistryLink(HKEY root, std::wstring_view key) {
  unique_hkey held;
  HKEY parent = root;
  std::size_t start = 0;
  while (start < key.size()) {
    std::size_t end = key.find(L'\\', start);
    if (end == std::wstring_view::npos) end = key.size();
    const std::wstring part(key.substr(start, end - start));
    start = end + 1;
    unique_hkey opened;
    const LSTATUS status = ::RegOpenKeyExW(parent, part.c_str(), REG_OPTION_OPEN_LINK,
                                           KEY_QUERY_VALUE | RegistryView, opened.put());
    if (isNotFound(status)) return false;
    if (status != ERROR_SUCCESS) return true;
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(opened.get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
            ERROR_SUCCESS &&
        type == REG_LINK)
      return true;
    held = std::move(opened);
    parent = held.get();
  }
  return false;
}

}  // namespace vorlix::win32
