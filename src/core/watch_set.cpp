#include "core/watch_set.h"

#include <algorithm>
#include <optional>

#include "core/registry_path.h"

namespace vorlix {
namespace {

// The key above; the root's own parent is none.
std::optional<std::wstring> parentOf(std::wstring_view key) {
  if (key.empty()) return std::nullopt;
  const std::size_t last = key.rfind(L'\\');
  return std::wstring(last == std::wstring_view::npos ? std::wstring_view{} : key.substr(0, last));
}

wchar_t foldAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool sameKey(const WatchedKey& a, Hive root, std::wstring_view key) {
  return a.root == root && std::ranges::equal(a.key, key, {}, foldAscii, foldAscii);
}

void add(std::vector<WatchedKey>& set, Hive root, std::wstring key, bool values) {
  const auto found =
      std::ranges::find_if(set, [&](const WatchedKey& w) { return sameKey(w, root, key); });
  if (found != set.end()) {
    found->values = found->values || values;
    return;
  }
  set.push_back({root, std::move(key), values});
}

// The key itself if it exists, else the nearest existing key above it.
void addNearestExisting(std::vector<WatchedKey>& set, Hive root, std::wstring key, bool values,
                        const KeyExists& exists) {
  for (std::optional<std::wstring> at = std::move(key); at; at = parentOf(*at)) {
    if (exists(root, *at)) {
      add(set, root, std::move(*at), values);
      return;
    }
    values = false;  // above the entry only a new subkey brings it closer
  }
}

}  // namespace

std::vector<WatchedKey> watchSet(const RuleTable& rules, const KeyExists& exists) {
  std::vector<WatchedKey> set;
  for (const RuleSlot slot : rules) {
    if (!slot.isActive()) continue;
    const RegistryTarget target = parseRegistryPath(slot.fullPath());
    switch (target.kind) {
      case RegistryTarget::Kind::Value:
        addNearestExisting(set, target.root, target.key, true, exists);
        break;
      case RegistryTarget::Kind::Key:
        addNearestExisting(set, target.root, *parentOf(target.key), false, exists);
        break;
      case RegistryTarget::Kind::Nothing: break;
    }
  }
  return set;
}

}  // namespace vorlix
