// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet is, on Windows, a registry link
// that the system keeps to the control set in use, SYSTEM\ControlSetNNN,
// where NNN is the value Current of SYSTEM\Select. Where links are not
// followed, a path through it is read in that control set instead.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "core/registry_path.h"

namespace vorlix {

// Below HKEY_LOCAL_MACHINE.
inline constexpr std::wstring_view CurrentControlSetKey = L"SYSTEM\\CurrentControlSet";
inline constexpr std::wstring_view ControlSetSelectKey = L"SYSTEM\\Select";
inline constexpr std::wstring_view ControlSetCurrentValue = L"Current";

// What stands at CurrentControlSet: nothing when it is a key of its own
// rather than a link (Wine keeps one), else the number of the control set in
// use (0 when it cannot be read).
using ControlSetInUse = std::function<std::optional<std::uint32_t>()>;

// The reading with a key path at or below CurrentControlSet (its two names
// matched ignoring ASCII letter case) moved to the control set in use; a link
// with no control set from 1 to 999 behind it names nothing. Other readings
// are returned as they are, without asking `inUse`.
RegistryPathReading inControlSetInUse(RegistryPathReading reading, const ControlSetInUse& inUse);

}  // namespace vorlix
