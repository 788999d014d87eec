#include "core/control_set.h"

#include <string>

#include "core/text.h"

namespace vorlix {

RegistryPathReading inControlSetInUse(RegistryPathReading reading, const ControlSetInUse& inUse) {
  RegistryTarget& target = reading.target;
  const std::size_t length = CurrentControlSetKey.size();
  const std::wstring_view key = target.keyPath;
  if (target.kind == RegistryTarget::Kind::Nothing || target.root != Hive::LocalMachine ||
      !equalsIgnoringAsciiCase(key.substr(0, length), CurrentControlSetKey) ||
      (key.size() > length && key[length] != L'\\'))
    return reading;
  const std::optional<std::uint32_t> current = inUse();
  if (!current) return reading;
  if (*current < 1 || *current > 999) return {{}, PathFault::ThroughLink};
  std::wstring number = std::to_wstring(*current);
  number.insert(0, 3 - number.size(), L'0');
  target.keyPath.replace(0, length, L"SYSTEM\\ControlSet" + number);
  return reading;
}

}  // namespace vorlix
