#include "core/registry_path.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace vorlix {
namespace {

// Exact spelling only: the program composes nothing but the full upper-case
// names, and refusing other spellings can never delete something unintended.
std::optional<Hive> rootNamed(std::wstring_view name) {
  for (const HiveNames& h : Hives)
    if (name == h.name || (!h.shortName.empty() && name == h.shortName)) return h.hive;
  return std::nullopt;
}

// Windows reads a key path with a doubled or trailing backslash as the path
// without the empty part; the parts are joined again so the API is never
// handed an empty part, whatever its version makes of one.
std::wstring withoutEmptyParts(std::wstring_view key) {
  std::wstring joined;
  joined.reserve(key.size());
  for (std::size_t start = 0; start <= key.size();) {
    const std::size_t end = std::min(key.find(L'\\', start), key.size());
    if (end > start) {
      if (!joined.empty()) joined += L'\\';
      joined.append(key.substr(start, end - start));
    }
    start = end + 1;
  }
  return joined;
}

}  // namespace

RegistryPathReading readRegistryPath(std::wstring_view path) {
  const auto nothing = [](PathFault fault) { return RegistryPathReading{{}, fault}; };
  // The API takes NUL-terminated text: a NUL inside would cut the path short
  // and name a different entry.
  if (path.find(L'\0') != std::wstring_view::npos) return nothing(PathFault::NulCharacter);

  const std::size_t first = path.find(L'\\');
  if (first == std::wstring_view::npos) return nothing(PathFault::NoSeparator);
  const std::optional<Hive> root = rootNamed(path.substr(0, first));
  if (!root) return nothing(PathFault::NoHive);

  const std::size_t last = path.rfind(L'\\');
  const std::wstring_view key =
      last == first ? std::wstring_view{} : path.substr(first + 1, last - first - 1);
  // Windows refuses a key path that starts with a backslash (bad path), under
  // every root but HKEY_CLASSES_ROOT; refusing it everywhere is the safe side.
  // A key path of backslashes only falls here too: it would name the root.
  if (!key.empty() && key.front() == L'\\') return nothing(PathFault::LeadingBackslash);

  RegistryTarget target;
  target.root = *root;
  target.keyPath = withoutEmptyParts(key);
  if (target.keyPath.size() > LongestRegistryName || path.size() - last - 1 > LongestRegistryName)
    return nothing(PathFault::TooLong);
  if (last + 1 == path.size()) {
    // Deleting "the key with no name" would mean the root itself.
    if (target.keyPath.empty()) return nothing(PathFault::HiveItself);
    target.kind = RegistryTarget::Kind::Key;
  } else {
    target.kind = RegistryTarget::Kind::Value;
    target.valueName = path.substr(last + 1);
  }
  return {std::move(target), PathFault::None};
}

RegistryTarget parseRegistryPath(std::wstring_view path) { return readRegistryPath(path).target; }

}  // namespace vorlix
