#include "service/store_trust.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace vorlix::service {
namespace {

constexpr std::array<std::wstring_view, 4> TrustedSids{
    L"S-1-5-18",      // LocalSystem
    L"S-1-5-32-544",  // BUILTIN\Administrators
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
    // CREATOR OWNER stands for whoever creates a subkey: with the key itself
    // trusted, only the trusted can.
    L"S-1-3-0",
};

std::wstring hexMask(std::uint32_t mask) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08X", static_cast<unsigned>(mask));
  return text;
}

}  // namespace

bool isTrustedSid(const std::wstring& sid) {
  for (const std::wstring_view trusted : TrustedSids)
    if (sid == trusted) return true;
  return false;
}

std::optional<std::wstring> untrustedWriter(const StoreSecurity& security) {
  // The owner may always rewrite the access list.
  if (!isTrustedSid(security.owner))
    return L"the owner " + (security.owner.empty() ? std::wstring(L"(none)") : security.owner);
  if (!security.hasDacl) return std::wstring(L"everyone (the key has no access list)");
  for (const AccessEntry& ace : security.dacl) {
    // A deny entry is never counted on: it may not cover every group a
    // writer belongs to, and one placed after a grant or inherit-only does
    // not take the grant back. Only grants decide.
    if (ace.kind == AceKind::Deny) continue;
    // Inherited only by values' objects, which keys do not have: it applies
    // to nothing in the registry.
    if ((ace.flags & InheritOnlyAce) != 0 && (ace.flags & ContainerInheritAce) == 0) continue;
    if ((ace.mask & ~KeyReadOnlyRights) == 0 || isTrustedSid(ace.sid)) continue;
    const std::wstring who = ace.sid.empty() ? std::wstring(L"anyone") : ace.sid;
    return who + L" (access " + hexMask(ace.mask) +
           (ace.kind == AceKind::Other ? L", an entry of a kind not known here)" : L")");
  }
  return std::nullopt;
}

}  // namespace vorlix::service
