#include "core/watch_set.h"

#include <algorithm>
#include <optional>

#include "core/classes_root.h"
#include "core/registry_path.h"
#include "core/text.h"

namespace vorlix {
namespace {

// The key above; the root's own parent is none.
std::optional<std::wstring> parentOf(std::wstring_view key) {
  if (key.empty()) return std::nullopt;
  const std::size_t last = key.rfind(L'\\');
  return std::wstring(last == std::wstring_view::npos ? std::wstring_view{} : key.substr(0, last));
}

bool sameKey(const WatchedKey& a, Hive root, std::wstring_view key) {
  return a.root == root && equalsIgnoringAsciiCase(a.keyPath, key);
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

// The key itself if it exists, else the nearest existing key above it; none
// above `top`, a key that the climb does not pass.
std::optional<std::wstring> nearestExisting(Hive root, const std::wstring& key, const KeyExists& exists,
                                            std::wstring_view top) {
  for (std::optional<std::wstring> at = key; at && at->size() >= top.size(); at = parentOf(*at))
    if (exists(root, *at)) return at;
  return std::nullopt;
}

// The key if it exists, else the nearest existing key above it, where the
// next step towards the entry appears: only there are values wanted. And
// the key above that one, for names: a watched key that is deleted and
// created again is a new key, which the old one's watch never hears of.
void addNearestExisting(std::vector<WatchedKey>& set, Hive root, const std::wstring& key, bool values,
                        const KeyExists& exists, std::wstring_view top = {}) {
  std::optional<std::wstring> found = nearestExisting(root, key, exists, top);
  if (!found) return;
  const bool atEntry = found->size() == key.size();
  const std::optional<std::wstring> above = parentOf(*found);
  add(set, root, std::move(*found), values && atEntry);
  if (!above) return;
  if (std::optional<std::wstring> parent = nearestExisting(root, *above, exists, top))
    add(set, root, std::move(*parent), false);
}

// Where the entry in `key` would appear. Under HKEY_CLASSES_ROOT, in both
// parts of the view: a write to either can bring the entry back into view,
// and a key created in the user's part moves the rule there. Each part is
// watched up to its classes key, never above. The root's own values are the
// machine part's alone, as the deleter resolves them.
void addEntryKey(std::vector<WatchedKey>& set, Hive root, const std::wstring& key, bool values,
                 bool rootValue, const KeyExists& exists) {
  if (root != Hive::ClassesRoot) {
    addNearestExisting(set, root, key, values, exists);
    return;
  }
  for (const Hive part : ClassesParts)
    if (!(rootValue && part == Hive::CurrentUser))
      addNearestExisting(set, part, classesKeyPath(key), values, exists, ClassesKey);
}

}  // namespace

std::vector<WatchedKey> watchSet(const RuleTable& rules, const KeyExists& exists) {
  std::vector<WatchedKey> set;
  for (const RuleSlot slot : rules) {
    if (!slot.isActive()) continue;
    const RegistryTarget target = parseRegistryPath(slot.fullPath());
    switch (target.kind) {
      case RegistryTarget::Kind::Value:
        addEntryKey(set, target.root, target.keyPath, true, target.keyPath.empty(), exists);
        break;
      case RegistryTarget::Kind::Key:
        addEntryKey(set, target.root, *parentOf(target.keyPath), false, false, exists);
        break;
      case RegistryTarget::Kind::Nothing: break;
    }
  }
  return set;
}

ArmedWatchSet armWatchSet(const RuleTable& rules, const KeyExists& exists, const ArmKey& arm) {
  std::vector<WatchedKey> armed;
  std::vector<WatchedKey> keys = watchSet(rules, exists);
  for (int look = 1;; ++look) {
    bool armedNew = false;
    for (const WatchedKey& key : keys) {
      if (std::ranges::find(armed, key) != armed.end()) continue;
      arm(key);
      armed.push_back(key);
      armedNew = true;
    }
    if (!armedNew || look == WatchLooks) return {std::move(keys), !armedNew};
    keys = watchSet(rules, exists);
  }
}

}  // namespace vorlix
