// What the "Instant" level watches so that a re-created entry is noticed:
// for each active rule, the key in which its entry would appear, or, while
// that key is missing, the nearest key above it that exists; and the key
// above that one, which hears of its deletion. Pure: the registry is asked
// only through the predicate, so the choice is tested natively.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/classes_root.h"
#include "core/hives.h"
#include "core/rules.h"

namespace vorlix {

struct WatchedKey {
  Hive root = Hive::CurrentUser;  // never HKEY_CLASSES_ROOT: that view is watched in its parts
  std::wstring keyPath;  // below the root, parts joined by single backslashes; empty: the root
  bool values = false;  // value changes as well as subkey names

  bool operator==(const WatchedKey&) const = default;
};

// Every active rule, in slot order, read as parseRegistryPath reads the
// deleter's path:
// - a value: its key, for values and subkey names;
// - a key: its parent (the root for a key at the top), for subkey names,
//   where a subkey re-created would appear;
// - nothing: no watch.
// Under HKEY_CLASSES_ROOT each of these is watched in both parts of the view
// (see classes_root.h), no higher than the part's classes key.
// A key that does not exist is replaced by its nearest existing ancestor,
// for subkey names: the next step towards the entry appears there. The key
// above the one chosen is watched too, for subkey names: a watched key that
// is deleted and created again with the entry in it is a new key, which
// only the key above reports. A key wanted more than once is listed once,
// where it first appears, watching what all its uses want; names differing
// only in ASCII letter case are the same key (other letters count as
// different, which only costs a watch).
// `exists` says whether a key can be watched: it exists and opens.
std::vector<WatchedKey> watchSet(const RuleTable& rules, const KeyExists& exists);

// Two keys a rule, in each part under HKEY_CLASSES_ROOT.
inline constexpr int MostWatchedKeys = SlotCount * 4;

// How often arming looks at the registry before it leaves the rest to a
// pass.
inline constexpr int WatchLooks = 4;

struct ArmedWatchSet {
  std::vector<WatchedKey> keys;  // as the last look chose them, each armed
  // False when the path kept changing through every look: the caller
  // reports a change, so that the pass looks again.
  bool settled = true;
};

using ArmKey = std::function<void(const WatchedKey&)>;

// Chooses the watch set and has each of its keys armed, then looks again: a
// key created below a watched one between the look and the arming was
// reported to no one. While a look finds keys not armed yet, they are armed
// and it looks once more, so the watch follows a path down as it is
// created; once a look finds nothing new, anything later is reported by a
// key armed before it. `arm` is called once per key, right after the look
// that chose it.
ArmedWatchSet armWatchSet(const RuleTable& rules, const KeyExists& exists, const ArmKey& arm);

}  // namespace vorlix
