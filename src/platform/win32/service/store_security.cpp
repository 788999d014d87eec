#include "platform/win32/service/store_security.h"

#include <aclapi.h>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/sid_text.h"
#include "platform/win32/unique_handle.h"
#include "settings/stored_entries.h"

namespace vorlix::service::win32 {
namespace {

using vorlix::win32::sidText;
using vorlix::win32::unique_hkey;
using vorlix::win32::unique_hlocal;
using vorlix::win32::Win32Error;

AceKind kindOf(BYTE type) {
  switch (type) {
    // The callback kinds carry conditions that may well hold: counted alike.
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: return AceKind::Allow;
    case ACCESS_DENIED_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE: return AceKind::Deny;
    default: return AceKind::Other;
  }
}

}  // namespace

StoreSecurity readKeySecurity(HKEY key) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  vorlix::win32::checkStatus(
      static_cast<LSTATUS>(::GetSecurityInfo(key, SE_REGISTRY_KEY,
                                             OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                             &owner, nullptr, &dacl, nullptr, &descriptor)),
      "GetSecurityInfo");
  const unique_hlocal owned(descriptor);
  StoreSecurity security;
  security.owner = sidText(owner);
  security.hasDacl = dacl != nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    vorlix::win32::checkBool(::GetAce(dacl, i, &ace), "GetAce");
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    const AceKind kind = kindOf(header->AceType);
    // The allowed, denied and callback kinds share this layout.
    auto* plain = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    security.dacl.push_back({kind == AceKind::Other ? std::wstring() : sidText(&plain->SidStart),
                             kind, kind == AceKind::Other ? 0 : plain->Mask, header->AceFlags});
  }
  return security;
}

std::optional<std::wstring> StoreSecurityGuard::untrustedWriter() {
  std::vector<std::wstring> keys{base_};
  for (const LayoutRow& row : SettingsLayout) {
    const std::wstring section = base_ + L"\\" + std::wstring(row.section);
    if (keys.back() != section) keys.push_back(section);
  }
  for (const std::wstring& path : keys) {
    const std::wstring where = L"HKEY_LOCAL_MACHINE\\" + path;
    unique_hkey key;
    const LSTATUS opened =
        vorlix::win32::openKey(HKEY_LOCAL_MACHINE, path, READ_CONTROL, key);
    if (vorlix::win32::isNotFound(opened)) continue;
    try {
      vorlix::win32::checkStatus(opened, "RegOpenKeyExW");
      if (std::optional<std::wstring> writer = vorlix::service::untrustedWriter(readKeySecurity(key.get())))
        return *writer + L", at " + where + L",";
    } catch (const Win32Error& failure) {
      return L"anyone, as far as can be told (its security could not be read: " +
             failure.describe() + L"), at " + where + L",";
    }
  }
  return std::nullopt;
}

}  // namespace vorlix::service::win32
