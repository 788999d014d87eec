// Whether the machine store may be trusted: only SYSTEM, Administrators and
// TrustedInstaller may be able to change it. Rules that anyone else could
// write would let that someone make a LocalSystem service delete entries of
// their choosing. The security descriptor comes in as plain data, so the
// decision is tested natively; the Win32 side reads and converts it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorlix::service {

// Other: a grant whose layout this check does not read. It counts as a
// grant to its trustee, as Windows' access check would mostly count it;
// where the trustee cannot be read, to anyone: the check fails closed.
enum class AceKind { Allow, Deny, Other };

// The kind of an entry of ACE type `type`. A callback entry's condition may
// well hold: it counts as the plain kind, whose layout it shares. Every
// denial, an object's too, decides nothing (untrustedWriter). Object and
// compound grants, and types added to Windows later, are Other.
constexpr AceKind aceKind(std::uint8_t type) {
  switch (type) {
    case 0x0:  // ACCESS_ALLOWED_ACE_TYPE
    case 0x9: return AceKind::Allow;  // ACCESS_ALLOWED_CALLBACK_ACE_TYPE
    case 0x1:  // ACCESS_DENIED_ACE_TYPE, and its object, callback and callback object kinds
    case 0x6:
    case 0xA:
    case 0xC: return AceKind::Deny;
    default: return AceKind::Other;
  }
}

// The ACE header's inherit flags that matter for a key.
inline constexpr std::uint8_t ObjectInheritAce = 0x1;
inline constexpr std::uint8_t ContainerInheritAce = 0x2;
inline constexpr std::uint8_t InheritOnlyAce = 0x8;

struct AccessEntry {
  std::wstring sid;  // string form, "S-1-5-18"; empty when it could not be read
  AceKind kind = AceKind::Allow;
  std::uint32_t mask = 0;
  std::uint8_t flags = 0;
};

struct StoreSecurity {
  std::wstring owner;  // string form; empty when the descriptor names none
  // No DACL at all: everyone has every access.
  bool hasDacl = true;
  std::vector<AccessEntry> dacl;
};

// The rights that only read a key: KEY_QUERY_VALUE, KEY_ENUMERATE_SUB_KEYS,
// KEY_NOTIFY, READ_CONTROL, SYNCHRONIZE, GENERIC_READ and GENERIC_EXECUTE.
// Every other bit counts as a write: KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER, GENERIC_WRITE and
// GENERIC_ALL, and any bit whose meaning this check does not know.
inline constexpr std::uint32_t KeyReadOnlyRights =
    0x0001 | 0x0008 | 0x0010 | 0x00020000 | 0x00100000 | 0x80000000 | 0x20000000;

// Nothing when only the trusted may write the key (or, through inheritance,
// the subkeys created in it later); otherwise who else may, for the log:
// "the owner S-1-5-21-...", "S-1-1-0 (KEY_SET_VALUE ...)", "no access list".
std::optional<std::wstring> untrustedWriter(const StoreSecurity& security);

bool isTrustedSid(const std::wstring& sid);

}  // namespace vorlix::service
