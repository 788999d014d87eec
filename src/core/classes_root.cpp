#include "core/classes_root.h"

#include <utility>

namespace vorlix {

std::wstring classesKeyPath(std::wstring_view key) {
  std::wstring path(ClassesKey);
  if (!key.empty()) path.append(L"\\").append(key);
  return path;
}

RegistryPathReading inClassesPart(RegistryPathReading reading, const KeyExists& exists) {
  RegistryTarget& target = reading.target;
  if (target.kind == RegistryTarget::Kind::Nothing || target.root != Hive::ClassesRoot) return reading;
  std::wstring key = classesKeyPath(target.keyPath);
  // The prefix can carry a path that was just short enough past the limit,
  // where the registry would cut it to one of its own ancestors.
  if (key.size() > LongestRegistryName) return {{}, PathFault::TooLong};
  const bool rootValue = target.keyPath.empty();
  target.root = !rootValue && exists(Hive::CurrentUser, key) ? Hive::CurrentUser : Hive::LocalMachine;
  target.keyPath = std::move(key);
  return reading;
}

}  // namespace vorlix
