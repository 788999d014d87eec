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

enum class AceKind { Allow, Deny, Other };

// The ACE header's inherit flags that matter for a key.
inline constexpr std::uint8_t ObjectInheritAce = 0x1;
inline constexpr std::uint8_t ContainerInheritAce = 0x2;
inline constexpr std::uint8_t InheritOnlyAce = 0x8;

struct AccessEntry {
  std::wstring sid;  // string form, "S-1-5-18"
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

// Rights by which a key, its values or its subkeys can be changed, or its
// protection taken over: KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK,
// DELETE, WRITE_DAC, WRITE_OWNER, and the generic rights that map to them.
inline constexpr std::uint32_t KeyWriteRights =
    0x0002 | 0x0004 | 0x0020 | 0x00010000 | 0x00040000 | 0x00080000 | 0x40000000 | 0x10000000;

// Nothing when only the trusted may write the key (or, through inheritance,
// the subkeys created in it later); otherwise who else may, for the log:
// "the owner S-1-5-21-...", "S-1-1-0 (KEY_SET_VALUE ...)", "no access list".
std::optional<std::wstring> untrustedWriter(const StoreSecurity& security);

bool isTrustedSid(const std::wstring& sid);

}  // namespace vorlix::service
