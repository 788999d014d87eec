#include "core/watch_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/text.h"
#include "platform/memory/memory_controls.h"

namespace vorlix {

void PrintTo(const WatchedKey& w, std::ostream* os) {
  *os << asciiSummary(HiveList[static_cast<std::size_t>(w.root)]) << "\\" << asciiSummary(w.keyPath)
      << (w.values ? " (values, names)" : " (names)");
}

namespace {

constexpr auto CU = Hive::CurrentUser;
constexpr auto LM = Hive::LocalMachine;
constexpr auto Checked = CheckState::Checked;

struct Rule {
  int slot;
  std::int16_t hive;
  CheckState state;
  std::wstring key;
  std::wstring value;
};

struct WatchCase {
  const char* shape;
  std::vector<Rule> rules;
  // Keys below the roots that exist; every root exists unless listed as missing.
  std::set<std::pair<Hive, std::wstring>> existing;
  std::vector<WatchedKey> expected;
  std::set<Hive> missingRoots = {};

  friend void PrintTo(const WatchCase& c, std::ostream* os) { *os << c.shape; }
};

const std::set<std::pair<Hive, std::wstring>> kTree = {
    {CU, L"Software"}, {CU, L"Software\\A"}, {CU, L"Software\\A\\Leaf"}, {CU, L"Software\\B"},
    {LM, L"Software"}, {LM, L"Software\\A"},
};

// Both parts of HKEY_CLASSES_ROOT; the user's has no Foo.
const std::set<std::pair<Hive, std::wstring>> kClasses = {
    {CU, L"Software"}, {CU, L"Software\\Classes"}, {CU, L"Software\\Classes\\.txt"},
    {LM, L"Software"}, {LM, L"Software\\Classes"}, {LM, L"Software\\Classes\\.txt"},
    {LM, L"Software\\Classes\\Foo"},
};

const std::vector<WatchCase>& cases() {
  static const std::vector<WatchCase> all = {
      {"a value in an existing key: the key, for values and names, and its parent, for names",
       {{1, 1, Checked, L"Software\\A", L"V"}}, kTree,
       {{CU, L"Software\\A", true}, {CU, L"Software", false}}},
      {"a value in a missing key: the nearest existing key above and its parent, for names",
       {{1, 1, Checked, L"Software\\A\\Gone\\Deeper", L"V"}}, kTree,
       {{CU, L"Software\\A", false}, {CU, L"Software", false}}},
      {"nothing below the root exists: the root, for names",
       {{1, 1, Checked, L"Nowhere\\Deeper", L"V"}}, kTree, {{CU, L"", false}}},
      {"a value of the root key: the root, for values and names",
       {{1, 2, Checked, L"", L"V"}}, kTree, {{LM, L"", true}}},
      {"a key: its parent and the key above, for names",
       {{1, 1, Checked, L"Software\\A\\Leaf", L""}}, kTree,
       {{CU, L"Software\\A", false}, {CU, L"Software", false}}},
      {"a key at the top: the root, for names", {{1, 2, Checked, L"Top", L""}}, kTree,
       {{LM, L"", false}}},
      {"a key whose parent is missing: the nearest existing key above",
       {{1, 1, Checked, L"Software\\Gone\\Leaf", L""}}, kTree,
       {{CU, L"Software", false}, {CU, L"", false}}},
      {"empty parts of the path are skipped, as the deleter skips them",
       {{1, 1, Checked, L"Software\\\\A\\", L"V"}, {2, 1, Checked, L"Software\\B\\\\Leaf\\", L""}},
       kTree, {{CU, L"Software\\A", true}, {CU, L"Software", false}, {CU, L"Software\\B", false}}},
      {"one watch per key, in slot order, wanting what all its uses want",
       {{2, 1, Checked, L"Software\\A\\Leaf", L""},
        {5, 1, Checked, L"software\\a", L"V"},
        {7, 1, Checked, L"Software\\A\\Gone", L"V"},
        {9, 1, Checked, L"Software\\B", L"W"},
        {11, 1, Checked, L"SOFTWARE\\B", L"X"},
        {12, 2, Checked, L"Software\\A", L"V"}},
       kTree,
       {{CU, L"Software\\A", true}, {CU, L"Software", false}, {CU, L"Software\\B", true},
        {LM, L"Software\\A", true}, {LM, L"Software", false}}},
      {"inactive rules are not watched",
       {{1, 1, CheckState::Unchecked, L"Software\\A", L"V"},
        {2, 1, CheckState::Grayed, L"Software\\B", L"V"}},
       kTree, {}},
      {"rules that name nothing are not watched",
       {{1, -1, Checked, L"Software\\A", L"V"},
        {2, 1, Checked, L"", L""},
        {3, 1, Checked, L"\\Software\\A", L"V"},
        {4, 1, Checked, L"\\\\", L""},
        {5, 1, Checked, L"Software\\A", std::wstring(L"V\0W", 3)}},
       kTree, {}},
      {"a hive that cannot be watched at all: nothing for its rules",
       {{1, 3, Checked, L".DEFAULT\\Software", L"V"}, {2, 1, Checked, L"Software\\B", L"V"}}, kTree,
       {{CU, L"Software\\B", true}, {CU, L"Software", false}}, {Hive::Users}},
      {"under HKEY_CLASSES_ROOT: the entry's key in each part, as it exists there",
       {{1, 0, Checked, L".txt", L"V"}, {2, 0, Checked, L"Foo\\shell", L"V"}}, kClasses,
       {{CU, L"Software\\Classes\\.txt", true}, {CU, L"Software\\Classes", false},
        {LM, L"Software\\Classes\\.txt", true}, {LM, L"Software\\Classes", false},
        {LM, L"Software\\Classes\\Foo", false}}},
      {"a key at the top of HKEY_CLASSES_ROOT: both classes keys, for names",
       {{1, 0, Checked, L"Foo", L""}}, kClasses,
       {{CU, L"Software\\Classes", false}, {LM, L"Software\\Classes", false}}},
      {"a value of HKEY_CLASSES_ROOT itself: the machine's classes key alone",
       {{1, 0, Checked, L"", L"V"}}, kClasses, {{LM, L"Software\\Classes", true}}},
      {"a part without classes is not watched above where they would be",
       {{1, 0, Checked, L"Foo", L"V"}}, {{CU, L"Software"}, {LM, L"Software\\Classes\\Foo"}},
       {{LM, L"Software\\Classes\\Foo", true}}},
  };
  return all;
}

void setRules(RuleTable& table, const std::vector<Rule>& rules) {
  for (const Rule& r : rules) {
    RuleSlot slot = table.slot(r.slot);
    slot.setHiveIndex(r.hive);
    slot.setEnableState(r.state);
    slot.setKeyPath(r.key);
    slot.setValueName(r.value);
  }
}

class WatchSet : public ::testing::TestWithParam<WatchCase> {};

TEST_P(WatchSet, WatchesWhereEachActiveRulesEntryWouldReappear) {
  const WatchCase& c = GetParam();
  MemoryControls controls;
  RuleTable table(controls);
  setRules(table, c.rules);
  // Key names match regardless of letter case, as in the registry.
  const auto folded = [](std::wstring_view key) {
    std::wstring upper(key);
    for (wchar_t& ch : upper) ch = static_cast<wchar_t>(std::towupper(ch));
    return upper;
  };
  std::set<std::pair<Hive, std::wstring>> existing;
  for (const auto& [root, key] : c.existing) existing.emplace(root, folded(key));
  const auto exists = [&](Hive root, std::wstring_view key) {
    if (key.empty()) return !c.missingRoots.contains(root);
    return existing.contains({root, folded(key)});
  };
  EXPECT_EQ(watchSet(table, exists), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, WatchSet, ::testing::ValuesIn(cases()));

// Another program at work below HKEY_CURRENT_USER while the watch is armed:
// what it does at the moment each key is armed, between two looks.
using Meanwhile = std::function<void(const std::wstring& armed, std::set<std::wstring>& keys)>;

struct ArmingCase {
  const char* shape;
  std::wstring ruleKey;  // of a value rule under HKEY_CURRENT_USER
  std::set<std::wstring> existing;
  Meanwhile meanwhile;
  std::vector<WatchedKey> expected;
  bool settled;

  friend void PrintTo(const ArmingCase& c, std::ostream* os) { *os << c.shape; }
};

// A writer making `path` one key at a time: arming a key on it creates the
// next one down.
Meanwhile createsNextDown(std::wstring path) {
  return [path](const std::wstring& armed, std::set<std::wstring>& keys) {
    const std::size_t end = path.find(L'\\', armed.empty() ? 0 : armed.size() + 1);
    if (armed.empty() || path.starts_with(armed + L"\\")) keys.insert(path.substr(0, end));
  };
}

const std::vector<ArmingCase>& armings() {
  static const std::vector<ArmingCase> all = {
      {"a path created after each look, before the watch: followed down",
       L"Software\\A\\B\\C", {L"Software", L"Software\\A"}, createsNextDown(L"Software\\A\\B\\C"),
       {{CU, L"Software\\A\\B\\C", true}, {CU, L"Software\\A\\B", false}}, true},
      {"a watched key deleted after the look: the watch moves up",
       L"Software\\A\\B", {L"Software", L"Software\\A", L"Software\\A\\B"},
       [](const std::wstring& armed, std::set<std::wstring>& keys) {
         if (armed == L"Software\\A\\B") keys.erase(armed);
       },
       {{CU, L"Software\\A", false}, {CU, L"Software", false}}, true},
      {"a path still growing at the last look: left to a report",
       L"Software\\A\\B\\C\\D\\E", {L"Software"}, createsNextDown(L"Software\\A\\B\\C\\D\\E"),
       {{CU, L"Software\\A\\B\\C", false}, {CU, L"Software\\A\\B", false}}, false},
  };
  return all;
}

class ArmWatchSet : public ::testing::TestWithParam<ArmingCase> {};

TEST_P(ArmWatchSet, NothingWrittenBetweenTheLookAndTheWatchGoesUnreported) {
  const ArmingCase& c = GetParam();
  MemoryControls controls;
  RuleTable table(controls);
  setRules(table, {{1, 1, Checked, c.ruleKey, L"V"}});
  std::set<std::wstring> keys = c.existing;
  std::vector<WatchedKey> armed;
  const ArmedWatchSet set = armWatchSet(
      table, [&](Hive, std::wstring_view key) { return key.empty() || keys.contains(std::wstring(key)); },
      [&](const WatchedKey& k) {
        armed.push_back(k);
        c.meanwhile(k.keyPath, keys);
      });
  EXPECT_EQ(set.keys, c.expected);
  EXPECT_EQ(set.settled, c.settled);
  for (const WatchedKey& k : set.keys) EXPECT_NE(std::ranges::find(armed, k), armed.end());
}

INSTANTIATE_TEST_SUITE_P(Writers, ArmWatchSet, ::testing::ValuesIn(armings()));

}  // namespace
}  // namespace vorlix
