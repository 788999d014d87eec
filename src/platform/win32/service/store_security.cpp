#include "platform/win32/service/store_security.h"

#include <aclapi.h>

#include <algorithm>
#include <string_view>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/sid_text.h"
#include "platform/win32/unique_handle.h"
#include "settings/stored_entries.h"

namespace vorlix::win32 {
namespace {


enum class Opened { Key, Missing, Link };

// Opens `part` below `parent`, a link as itself rather than where it leads.
Opened openUnfollowed(HKEY parent, const std::wstring& part, unique_hkey& key) {
  const LSTATUS status =
      ::RegOpenKeyExW(parent, part.c_str(), REG_OPTION_OPEN_LINK,
                      READ_CONTROL | KEY_QUERY_VALUE | RegistryView, key.put());
  if (isNotFound(status)) return Opened::Missing;
  checkStatus(status, "RegOpenKeyExW");
  DWORD type = REG_NONE;
  const bool link = ::RegQueryValueExW(key.get(), L"SymbolicLinkValue", nullptr, &type, nullptr,
                                       nullptr) == ERROR_SUCCESS &&
                    type == REG_LINK;
  return link ? Opened::Link : Opened::Key;
}

}  // namespace

service::StoreSecurity readKeySecurity(HKEY key) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  checkStatus(
      static_cast<LSTATUS>(::GetSecurityInfo(key, SE_REGISTRY_KEY,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             &owner, nullptr, &dacl, nullptr, &descriptor)),
      "GetSecurityInfo");
  const unique_hlocal owned(descriptor);
  service::StoreSecurity security;
  security.owner = sidText(owner);
  security.hasDacl = dacl != nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    checkBool(::GetAce(dacl, i, &ace), "GetAce");
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    const service::AceKind kind = service::aceKind(header->AceType);
    // Every allowed and denied kind has its mask right after the header, a
    // plain or callback grant its trustee after that; a denial's trustee is
    // never weighed. Of Other neither is read: every right for anyone.
    auto* plain = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    security.dacl.push_back({kind == service::AceKind::Allow ? sidText(&plain->SidStart) : std::wstring(),
                             kind, kind == service::AceKind::Other ? 0xFFFFFFFF : plain->Mask,
                             header->AceFlags});
  }
  return security;
}

std::optional<std::wstring> StoreSecurityGuard::untrustedWriter() {
  // Each key is opened below the one before it, never through a link: a
  // link at the store, above it or at a section would send the reads to a
  // key its writer chose. Each key's security is read from the handle that
  // was checked.
  std::wstring where = L"HKEY_LOCAL_MACHINE";
  const auto linkAt = [&where] {
    return L"whoever made the registry link at " + where + L", which sends the store elsewhere,";
  };
  const auto judge = [&where](HKEY key) -> std::optional<std::wstring> {
    if (std::optional<std::wstring> writer = service::untrustedWriter(readKeySecurity(key)))
      return *writer + L", at " + where + L",";
    return std::nullopt;
  };
  try {
    unique_hkey store;
    HKEY parent = HKEY_LOCAL_MACHINE;
    for (std::size_t start = 0; start <= base_.size();) {
      const std::size_t end = std::min(base_.find(L'\\', start), base_.size());
      const std::wstring part = base_.substr(start, end - start);
      start = end + 1;
      where += L"\\" + part;
      unique_hkey next;
      switch (openUnfollowed(parent, part, next)) {
        case Opened::Missing: return std::nullopt;  // nothing there to trust
        case Opened::Link: return linkAt();
        case Opened::Key: break;
      }
      store = std::move(next);
      parent = store.get();
    }
    if (std::optional<std::wstring> writer = judge(store.get())) return writer;
    const std::wstring storeWhere = where;
    std::wstring_view previous;
    for (const LayoutRow& row : SettingsLayout) {
      if (row.section == previous) continue;
      previous = row.section;
      where = storeWhere + L"\\" + std::wstring(row.section);
      unique_hkey section;
      const Opened opened = openUnfollowed(store.get(), std::wstring(row.section), section);
      if (opened == Opened::Missing) continue;
      if (opened == Opened::Link) return linkAt();
      if (std::optional<std::wstring> writer = judge(section.get())) return writer;
    }
  } catch (const Win32Error& failure) {
    return L"anyone, as far as can be told (its security could not be read: " +
           failure.describe() + L"), at " + where + L",";
  }
  return std::nullopt;
}

}  // namespace vorlix::win32
