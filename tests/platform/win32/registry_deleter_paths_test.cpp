// Rules of hostile shapes, composed as a scan composes them and run through
// the real deleter against scratch trees in every hive: each deletes exactly
// the entry its shape names, or nothing.
#include "platform/win32/registry_deleter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/rules.h"
#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"
#include "registry_snapshot.h"
#include "settings/settings_store.h"

namespace vorlix::win32 {
namespace {

using Parts = std::vector<std::wstring>;

const std::array<HKEY, 5> kRoots{HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                     HKEY_USERS, HKEY_CURRENT_CONFIG};
constexpr std::size_t kClassesRoot = 0, kCurrentUser = 1;

std::wstring join(const Parts& parts, std::wstring_view separator = L"\\") {
  std::wstring out;
  for (const std::wstring& p : parts) out += (out.empty() ? L"" : std::wstring(separator)) + p;
  return out;
}

Parts split(const std::wstring& path) {
  Parts parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = path.find(L'\\', start);
    parts.push_back(path.substr(start, end - start));
    if (end == std::wstring::npos) return parts;
    start = end + 1;
  }
}

std::wstring tagOf(std::size_t hive) { return std::to_wstring(hive) + L":"; }

std::string shortText(std::wstring_view text) {
  if (text.size() <= 60) return asciiSummary(text);
  return asciiSummary(text.substr(0, 30)) + "..." + asciiSummary(text.substr(text.size() - 20)) + " (" +
         std::to_string(text.size()) + " chars)";
}

struct PlantedKey {
  std::wstring path;  // below the root
  std::vector<std::wstring> values;
  // Its value "v" is also tried under every key shape, and its values under
  // every name shape.
  bool probe = false;
};

// The generator's picture of one scratch tree: what was planted, and so what
// a rule naming (key parts, value name) must delete.
struct Tree {
  std::size_t hive;
  std::wstring base;
  std::vector<PlantedKey> keys;  // parents first
  bool everyShape;               // all shapes, or the basic ones
  std::vector<std::wstring> rootValues;  // those the root accepted

  const PlantedKey* find(const std::wstring& path) const {
    for (const PlantedKey& k : keys)
      if (k.path == path) return &k;
    return nullptr;
  }
  bool hasSubkeys(const std::wstring& path) const {
    return std::any_of(keys.begin(), keys.end(),
                       [&](const PlantedKey& k) { return k.path.starts_with(path + L"\\"); });
  }

  // Snapshot names of what the rule must delete: a planted value, or a
  // planted key without subkeys with its values; else nothing.
  std::vector<std::wstring> removedBy(const std::optional<Parts>& parts,
                                      const std::optional<std::wstring>& name) const {
    if (!parts || !name) return {};
    const std::wstring key = join(*parts), tag = tagOf(hive);
    if (key.empty()) {
      if (std::find(rootValues.begin(), rootValues.end(), *name) != rootValues.end() && !name->empty())
        return {tag + L"|" + *name};
      return {};
    }
    const PlantedKey* planted = find(key);
    if (!planted) return {};
    if (name->empty()) {
      if (hasSubkeys(key)) return {};
      std::vector<std::wstring> removed{tag + key + L"\\"};
      for (const std::wstring& v : planted->values) removed.push_back(tag + key + L"|" + v);
      return removed;
    }
    if (std::find(planted->values.begin(), planted->values.end(), *name) == planted->values.end())
      return {};
    return {tag + key + L"|" + *name};
  }
};

// A typed field and what it names once the decoration is accounted for
// (nothing: std::nullopt).
template <class Names>
struct Shape {
  const char* label;
  std::wstring text;
  std::optional<Names> names;
};

std::vector<Shape<Parts>> keyShapes(const Parts& p, bool every) {
  const std::wstring plain = join(p);
  std::vector<Shape<Parts>> out{
      {"plain", plain, p},
      {"trailing backslash", plain + L"\\", p},
      {"doubled separators", join(p, L"\\\\"), p},
      {"leading backslash", L"\\" + plain, std::nullopt},
      {"NUL inside", plain + std::wstring(1, L'\0') + L"x", std::nullopt},
  };
  if (!every) return out;
  out.push_back({"three trailing backslashes", plain + L"\\\\\\", p});
  out.push_back({"tripled separators, trailing backslash", join(p, L"\\\\\\") + L"\\", p});
  out.push_back({"two leading backslashes, trailing one", L"\\\\" + plain + L"\\", std::nullopt});
  // Edits of the last part name whichever key has the edited name.
  const auto edited = [&](const char* label, Parts q) { out.push_back({label, join(q), q}); };
  const auto lastAs = [&](std::wstring last) {
    Parts q = p;
    q.back() = std::move(last);
    return q;
  };
  edited("blank after the last part", lastAs(p.back() + L" "));
  edited("blank before the last part", lastAs(L" " + p.back()));
  edited("last part twice", lastAs(p.back() + p.back()));
  if (p.back().size() >= 2)
    edited("last part a character short", lastAs(p.back().substr(0, p.back().size() - 1)));
  Parts dotted = p;
  dotted.insert(dotted.end() - 1, L".");
  edited("a dot part", dotted);
  if (p.size() >= 2) {
    Parts slashed(p.begin(), p.end() - 2);
    slashed.push_back(p[p.size() - 2] + L"/" + p.back());
    edited("slash for the last separator", slashed);
  }
  return out;
}

std::vector<Shape<std::wstring>> nameShapes(const std::wstring& n, bool every) {
  std::vector<Shape<std::wstring>> out{
      {"plain", n, n},
      {"blank after", n + L" ", n + L" "},
      {"NUL after", n + std::wstring(1, L'\0') + L"x", std::nullopt},
  };
  if (!every) return out;
  out.push_back({"blank before", L" " + n, L" " + n});
  out.push_back({"2 after", n + L"2", n + L"2"});
  out.push_back({"twice", n + n, n + n});
  if (n.size() >= 2) {
    const std::wstring shorter = n.substr(0, n.size() - 1);
    out.push_back({"a character short", shorter, shorter});
  }
  return out;
}

// What went missing and what appeared, names cut short; the snapshots
// themselves are too long to print.
std::string differences(const Snapshot& expected, const Snapshot& actual) {
  std::string out;
  for (const auto& [name, content] : expected)
    if (!actual.count(name)) out += "\n  missing: " + shortText(name);
  for (const auto& [name, content] : actual) {
    const auto e = expected.find(name);
    if (e == expected.end()) out += "\n  unexpected: " + shortText(name);
    else if (e->second != content) out += "\n  changed: " + shortText(name);
  }
  return out;
}

struct RuleCase {
  std::size_t tree;
  std::string label;
  std::wstring keyPath;
  std::wstring valueName;
  std::vector<std::wstring> removed;
};

void setText(HKEY key, const std::wstring& name, const std::wstring& data) {
  checkStatus(::RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                               static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              "RegSetValueExW");
}

const std::wstring kRun = std::to_wstring(::GetCurrentProcessId());

class HostilePaths : public ::testing::Test {
 protected:
  void TearDown() override {
    // Test clean-up only, best effort.
    for (const Tree& t : trees_) {
      (void)::RegDeleteTreeW(kRoots[t.hive], t.base.c_str());
      for (const std::wstring& v : t.rootValues) (void)::RegDeleteValueW(kRoots[t.hive], v.c_str());
    }
  }

  void plant(const Tree& t) {
    for (const std::wstring& v : t.rootValues) setText(kRoots[t.hive], v, L"r");
    for (const PlantedKey& k : t.keys) {
      unique_hkey key;
      checkStatus(::RegCreateKeyExW(kRoots[t.hive], k.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key.put(), nullptr),
                  "RegCreateKeyExW");
      for (std::size_t i = 0; i < k.values.size(); ++i) setText(key.get(), k.values[i], std::to_wstring(i));
    }
  }

  // Windows refuses values in some roots; the cases follow what they took.
  void findRootValues() {
    for (Tree& t : trees_) {
      const std::wstring name = L"VorlixHostile-" + kRun + L"-root";
      for (const std::wstring& v : {name, name + L" "}) {
        try {
          setText(kRoots[t.hive], v, L"r");
          t.rootValues.push_back(v);
        } catch (const Win32Error&) {
          // Not planted: no case expects it to go.
        }
      }
    }
  }

  // A tree in full, and its root's own values and subkey names. The classes
  // root has hundreds of subkeys: their names are listed only when
  // `classesRootNames`, otherwise counted (the deleter only removes, so an
  // unchanged count is an unchanged list).
  static void add(Snapshot& s, const Tree& t, bool classesRootNames) {
    const std::wstring tag = tagOf(t.hive);
    unique_hkey base;
    checkStatus(::RegOpenKeyExW(kRoots[t.hive], t.base.c_str(), 0, KEY_READ, base.put()), "RegOpenKeyExW");
    Snapshot tree;
    collect(base.get(), t.base, tree);
    tree[t.base + L"\\"] = L"key";
    for (const auto& [name, content] : tree) s[tag + name] = content;

    const HKEY root = kRoots[t.hive];
    collectValues(root, tag, s);
    if (t.hive == kClassesRoot && !classesRootNames) {
      DWORD subkeys = 0;
      checkStatus(::RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr, nullptr),
                  "RegQueryInfoKeyW");
      s[tag + L"#subkeys"] = std::to_wstring(subkeys);
      return;
    }
    for (const std::wstring& name : subkeyNames(root)) s[tag + name + L"\\"] = L"key";
  }

  Snapshot everything() const {
    Snapshot s;
    for (const Tree& t : trees_) add(s, t, true);
    return s;
  }

  // Runs every case and checks what went. A rule reaches no other hive than
  // its own but through the registry's aliases (the classes root, the
  // current user's key under HKEY_USERS), none of which joins two scratch
  // trees: each case is checked against its own hive's tree and root, and
  // everything once more at the end.
  void runAll(const std::vector<RuleCase>& cases) {
    for (const auto links : {RegistryApiDeleter::Links::Followed, RegistryApiDeleter::Links::Refused}) {
      SCOPED_TRACE(links == RegistryApiDeleter::Links::Refused ? "links refused" : "links followed");
      runAll(cases, RegistryApiDeleter(links));
    }
  }
  void runAll(const std::vector<RuleCase>& cases, RegistryApiDeleter deleter) {
    const Snapshot initial = everything();
    std::vector<std::optional<Snapshot>> clean(trees_.size());
    int deletingValues = 0, deletingKeys = 0, deletingNothing = 0;
    for (const RuleCase& c : cases) {
      const Tree& tree = trees_[c.tree];
      if (!clean[c.tree]) add(clean[c.tree].emplace(), tree, false);
      const Snapshot& before = *clean[c.tree];

      deleter.RegDelete(fullPath(HiveList[tree.hive], c.keyPath, c.valueName));
      Snapshot after;
      add(after, tree, false);

      const std::string what = asciiSummary(HiveList[tree.hive]) + ", " + c.label + ": key \"" +
                               shortText(c.keyPath) + "\", name \"" + shortText(c.valueName) + "\"";
      Snapshot expected = before;
      for (const std::wstring& r : c.removed)
        ASSERT_EQ(expected.erase(r), 1u) << what << ": the generator's target was not planted";
      for (const auto& [name, content] : before) {
        if (after.count(name) || !name.ends_with(L"\\")) continue;
        // A key's descendants, if any, follow it directly in the sorted snapshot.
        const auto next = before.upper_bound(name);
        EXPECT_FALSE(next != before.end() && next->first.starts_with(name))
            << what << ": deleted a key with subkeys, " << shortText(name);
      }
      EXPECT_TRUE(after == expected) << what << differences(expected, after);
      if (after != before) {
        plant(tree);
        clean[c.tree].reset();
      }
      ++(c.removed.empty()                        ? deletingNothing
         : c.removed.front().ends_with(L"\\") ? deletingKeys
                                                  : deletingValues);
    }
    const Snapshot final = everything();
    EXPECT_TRUE(final == initial) << "a rule changed another hive's tree or root"
                                  << differences(initial, final);
    std::cout << "[ hostile ] " << cases.size() << " rule shapes: " << deletingValues << " delete a value, "
              << deletingKeys << " a key, " << deletingNothing << " nothing\n";
  }

  std::vector<Tree> trees_;
};

// Every planted key as a key target and its values as value targets, under
// the tree's shapes; the root itself under every hive, with and without a
// planted root value.
std::vector<RuleCase> generate(const std::vector<Tree>& trees) {
  std::vector<RuleCase> cases;
  const auto add = [&](std::size_t t, const Shape<Parts>& key, const Shape<std::wstring>& name) {
    cases.push_back({t, std::string("key ") + key.label + ", name " + name.label, key.text, name.text,
                     trees[t].removedBy(key.names, name.names)});
  };
  const Shape<std::wstring> noName{"empty", L"", L""};
  for (std::size_t t = 0; t < trees.size(); ++t) {
    const Tree& tree = trees[t];
    for (const PlantedKey& k : tree.keys) {
      const Parts parts = split(k.path);
      for (const Shape<Parts>& key : keyShapes(parts, tree.everyShape)) {
        add(t, key, noName);
        if (k.probe) add(t, key, {"plain", L"v", L"v"});
      }
      add(t, {"plain", k.path, parts}, {"a NUL alone", std::wstring(1, L'\0'), std::nullopt});
      for (const std::wstring& v : k.values) {
        if (v.empty()) continue;  // the default value: a neighbour only
        for (const Shape<std::wstring>& name : nameShapes(v, tree.everyShape && k.probe))
          add(t, {"plain", k.path, parts}, name);
      }
    }
    const Shape<Parts> noKey{"empty", L"", Parts{}};
    add(t, noKey, noName);
    add(t, noKey, {"missing", L"VorlixHostile-missing", L"VorlixHostile-missing"});
    for (const wchar_t* backslashes : {L"\\", L"\\\\\\"}) {
      const Shape<Parts> onlyBackslashes{"of backslashes only", backslashes, std::nullopt};
      add(t, onlyBackslashes, noName);
      for (const std::wstring& v : tree.rootValues) add(t, onlyBackslashes, {"root value", v, v});
    }
    for (const std::wstring& v : tree.rootValues)
      for (const Shape<std::wstring>& name : nameShapes(v, true)) add(t, noKey, name);
    // Above the scratch tree: keys with subkeys of the hive itself.
    const Parts top{split(tree.base).front()};
    for (const Shape<Parts>& key : keyShapes(top, false)) add(t, key, noName);
  }
  return cases;
}

PlantedKey keyWith(std::wstring path, std::vector<std::wstring> values, bool probe = false) {
  return {std::move(path), std::move(values), probe};
}

TEST_F(HostilePaths, RegistryApiDeleter_DeletesOnlyWhatEachShapeNames) {
  const std::wstring name = L"VorlixHostile-" + kRun;
  const std::wstring k255(255, L'k'), v16383(16383, L'n');
  const std::array<std::wstring, 5> bases{name, L"Software\\" + name, L"Software\\" + name,
                                          L".DEFAULT\\Software\\" + name, L"Software\\" + name};
  for (std::size_t hive = 0; hive < kRoots.size(); ++hive) {
    const std::wstring& b = bases[hive];
    const std::wstring dir = b + L"\\Dir";
    Tree t{hive, b, {}, hive == kCurrentUser, {}};
    t.keys = {keyWith(b, {L"pv", L"v"}), keyWith(dir, {L"v", L"dv"}),
              keyWith(dir + L"\\Leaf", {L"", L"v", L"v2"}, true), keyWith(dir + L"\\Parent", {L"v"}),
              keyWith(dir + L"\\Parent\\Child", {L"v"})};
    if (hive == kCurrentUser) {
      t.keys[2].values = {L"",   L"v",         L"v2",      L"vv",          L"v ",
                          L" v", L"日本",       L"\xD800",  L"x\xDC00",     L"\xD83D\xDE00",
                          L"\xD83D", v16383, v16383.substr(1)};
      const std::vector<std::wstring> siblings{L"Leaf2", L"Leaf ", L" Leaf",   L"LeafLeaf", L"S",
                                               L"日本語", L"S\xD800", k255, k255.substr(1)};
      for (const std::wstring& sibling : siblings) {
        const bool probe = sibling == L"日本語" || sibling == L"S\xD800" || sibling == k255;
        t.keys.push_back(keyWith(dir + L"\\" + sibling, {L"v"}, probe));
      }
    }
    trees_.push_back(std::move(t));
  }
  findRootValues();
  for (const Tree& t : trees_) plant(t);
  runAll(generate(trees_));
}

// The registry API passes a name on as a counted string of at most 32,766
// characters and cuts a longer one short. A chain of keys whose leaf's path
// is exactly that long: rules naming something just below or beside the leaf
// must not reach the leaf.
TEST_F(HostilePaths, RegistryApiDeleter_PathsTooLongForTheApiNameNothing) {
  constexpr std::size_t kLongest = 32766;
  Tree t{kCurrentUser, L"Software\\VorlixHostile-" + kRun + L"-deep", {}, false, {}};
  std::wstring path = t.base;
  t.keys.push_back({path, {}});
  // Parts as long as a key name may be, leaving the leaf at least 100.
  for (std::size_t left = kLongest - path.size() - 1; left > 255; left = kLongest - path.size() - 1) {
    path += L"\\" + std::wstring(std::min<std::size_t>(255, left - 101), L'd');
    t.keys.push_back({path, {}});
  }
  const std::wstring parent = path;
  const std::wstring leaf = path + L"\\" + std::wstring(kLongest - path.size() - 1, L'e');
  ASSERT_EQ(leaf.size(), kLongest);
  t.keys.push_back({leaf, {L"v"}});
  trees_.push_back(t);
  plant(t);

  const std::wstring longerLeaf = leaf + L"e";
  std::vector<RuleCase> cases;
  const auto add = [&](const char* label, const std::wstring& key, const std::wstring& name,
                       const std::optional<Parts>& names) {
    cases.push_back({0, label, key, name, t.removedBy(names, name)});
  };
  add("the leaf's value", leaf, L"v", split(leaf));
  add("the leaf's value, trailing backslash", leaf + L"\\", L"v", split(leaf));
  add("the leaf", leaf, L"", split(leaf));
  add("the leaf, doubled last separator", parent + L"\\\\" + leaf.substr(parent.size() + 1), L"",
      split(leaf));
  add("a value of a missing key below the leaf", leaf + L"\\Child", L"v", split(leaf + L"\\Child"));
  add("a missing key below the leaf", leaf + L"\\Child", L"", split(leaf + L"\\Child"));
  add("a value of the leaf's name one character longer", longerLeaf, L"v", split(longerLeaf));
  add("the leaf's name one character longer", longerLeaf, L"", split(longerLeaf));
  add("the parent, which has a subkey", parent, L"", split(parent));
  runAll(cases);
}

}  // namespace
}  // namespace vorlix::win32
