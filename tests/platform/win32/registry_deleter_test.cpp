#include "platform/win32/registry_deleter.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "core/rules.h"
#include "core/scan_pass.h"
#include "core/text.h"
#include "platform/memory/memory_controls.h"
#include "platform/win32/check.h"
#include "platform/win32/registry_links.h"
#include "platform/win32/unique_handle.h"
#include "support/registry_link.h"
#include "registry_snapshot.h"

namespace vorlix::win32 {
namespace {

std::wstring uniqueName(const wchar_t* prefix) {
  return prefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount64());
}

unique_hkey createKey(HKEY root, const std::wstring& path, REGSAM view = 0) {
  unique_hkey key;
  checkStatus(::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                                key.put(), nullptr),
              "RegCreateKeyExW");
  return key;
}

void setText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& data,
             REGSAM view = 0) {
  const unique_hkey k = createKey(root, key, view);
  checkStatus(::RegSetValueExW(k.get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(data.c_str()),
                               static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              "RegSetValueExW");
}

bool valueExists(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view = 0) {
  return ::RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_ANY | (view ? RRF_SUBKEY_WOW6464KEY : 0),
                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring replaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
  for (std::size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// A scratch tree under HKEY_CURRENT_USER\Software, unique to this run and
// removed afterwards, plus one value directly in HKEY_CURRENT_USER for the
// rules with an empty key path.
class ScratchTree : public ::testing::Test {
 protected:
  void SetUp() override {
    setText(HKEY_CURRENT_USER, base_, L"V", L"base v");
    setText(HKEY_CURRENT_USER, base_, L"Keep", L"base keep");
    for (const wchar_t* name : {L"V", L"Keep", L"Ünïcødé", L"Unicode", L"日本", L"日本語"})
      setText(HKEY_CURRENT_USER, at(L"A"), name, std::wstring(L"A ") + name);
    setText(HKEY_CURRENT_USER, at(L"A\\Leaf"), L"X", L"leaf x");
    setText(HKEY_CURRENT_USER, at(L"A\\Parent"), L"X", L"parent x");
    setText(HKEY_CURRENT_USER, at(L"A\\Parent\\Child"), L"Y", L"child y");
    setText(HKEY_CURRENT_USER, at(L"日本"), L"X", L"nihon x");
    setText(HKEY_CURRENT_USER, at(L"日本語"), L"X", L"nihongo x");
    setText(HKEY_CURRENT_USER, at(L"B"), L"V", L"b v");
    setText(HKEY_CURRENT_USER, L"", rootValue_, L"root value");
  }
  void TearDown() override {
    // Best effort: what a failed test leaves must not outlive the prefix.
    (void)::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str());
    (void)::RegDeleteValueW(HKEY_CURRENT_USER, rootValue_.c_str());
  }

  std::wstring at(const std::wstring& relative) const { return base_ + L"\\" + relative; }
  // "{S}" stands for the scratch key, "{R}" for the root value's name.
  std::wstring expand(const std::wstring& text) const {
    return replaceAll(replaceAll(text, L"{S}", base_), L"{R}", rootValue_);
  }

  Snapshot snapshot() const {
    Snapshot s;
    unique_hkey key;
    checkStatus(::RegOpenKeyExW(HKEY_CURRENT_USER, base_.c_str(), 0, KEY_READ, key.put()),
                "RegOpenKeyExW");
    collect(key.get(), L"", s);
    return s;
  }
  bool rootValueExists() const { return valueExists(HKEY_CURRENT_USER, L"", rootValue_); }

  // What deleting `removed` (snapshot names) from `before` must leave.
  static Snapshot without(Snapshot before, const std::vector<std::wstring>& removed) {
    for (const std::wstring& r : removed) EXPECT_EQ(before.erase(r), 1u) << "no such entry in the tree";
    return before;
  }

  const std::wstring base_ = L"Software\\" + uniqueName(L"VorlixRegTest-");
  const std::wstring rootValue_ = uniqueName(L"VorlixRegTest-root-");
  RegistryApiDeleter deleter_;
};

TEST_F(ScratchTree, RegistryApiDeleter_DeletesOneValueAndNothingElse) {
  const Snapshot before = snapshot();
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"A") + L"\\V");
  EXPECT_EQ(snapshot(), without(before, {L"A|V"}));
  EXPECT_TRUE(rootValueExists());
}

TEST_F(ScratchTree, RegistryApiDeleter_DeletesLeafKeyWithItsValues) {
  const Snapshot before = snapshot();
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"A\\Leaf") + L"\\");
  EXPECT_EQ(snapshot(), without(before, {L"A\\Leaf\\", L"A\\Leaf|X"}));
}

TEST_F(ScratchTree, RegistryApiDeleter_KeyWithSubkeysSurvivesWhole) {
  const Snapshot before = snapshot();
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"A\\Parent") + L"\\");
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + base_ + L"\\");
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\Software\\");
  EXPECT_EQ(snapshot(), before);
}

TEST_F(ScratchTree, RegistryApiDeleter_MissingEntriesChangeNothing) {
  const Snapshot before = snapshot();
  for (const wchar_t* relative : {L"A\\Missing", L"Missing\\V", L"Missing\\", L"A\\Leaf\\Missing\\",
                                  L"Missing\\Deeper\\"})
    deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(relative));
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\\\VorlixRegTest-no-such-value");
  EXPECT_EQ(snapshot(), before);
  EXPECT_TRUE(rootValueExists());
}

TEST_F(ScratchTree, RegistryApiDeleter_NonAsciiNamesAreDeletedExactly) {
  const Snapshot before = snapshot();
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"A\\Ünïcødé"));
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"A\\日本"));
  deleter_.RegDelete(L"HKEY_CURRENT_USER\\" + at(L"日本\\"));
  EXPECT_EQ(snapshot(), without(before, {L"A|Ünïcødé", L"A|日本", L"日本\\", L"日本|X"}));
}

// A scan pass over one active rule, or one path handed to the deleter as is,
// and what it must remove from the scratch tree.
struct ShapeCase {
  const char* shape;
  std::int16_t hive;          // -1: none
  const wchar_t* key;         // rule's key path; nullptr: use `path` instead
  const wchar_t* value;
  const wchar_t* path;        // handed to RegDelete directly
  std::vector<std::wstring> removed;
  bool removesRootValue;

  friend void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.shape; }
};

const std::vector<ShapeCase>& shapeCases() {
  static const std::vector<ShapeCase> cases = {
      {"hive key value", 1, L"{S}\\A", L"V", nullptr, {L"A|V"}, false},
      {"hive key, no value: a leaf key goes", 1, L"{S}\\A\\Leaf", L"", nullptr,
       {L"A\\Leaf\\", L"A\\Leaf|X"}, false},
      {"hive key, no value: a key with subkeys stays", 1, L"{S}\\A\\Parent", L"", nullptr, {}, false},
      {"hive key, no value: Software is never wiped", 1, L"Software", L"", nullptr, {}, false},
      {"hive, no key, value: the root's value", 1, L"", L"{R}", nullptr, {}, true},
      {"hive alone", 1, L"", L"", nullptr, {}, false},
      {"no hive", -1, L"{S}\\A", L"V", nullptr, {}, false},
      {"nothing at all", -1, L"", L"", nullptr, {}, false},
      {"key ending in a backslash names its value", 1, L"{S}\\A\\", L"V", nullptr, {L"A|V"}, false},
      {"key ending in a backslash, no value: the leaf key", 1, L"{S}\\A\\Leaf\\", L"", nullptr,
       {L"A\\Leaf\\", L"A\\Leaf|X"}, false},
      {"doubled separator inside the key is skipped", 1, L"{S}\\\\B", L"V", nullptr, {L"B|V"}, false},
      {"leading backslash in the key is refused", 1, L"\\{S}\\A", L"V", nullptr, {}, false},
      {"other hive", 2, L"{S}\\A", L"V", nullptr, {}, false},
      {"non-ASCII value", 1, L"{S}\\A", L"日本", nullptr, {L"A|日本"}, false},
      {"non-ASCII key", 1, L"{S}\\日本語", L"", nullptr, {L"日本語\\", L"日本語|X"}, false},
      {"short form HKCU", 0, nullptr, nullptr, L"HKCU\\{S}\\B\\V", {L"B|V"}, false},
      {"short form for a root value", 0, nullptr, nullptr, L"HKCU\\\\{R}", {}, true},
      {"root in lower case", 0, nullptr, nullptr, L"hkey_current_user\\{S}\\B\\V", {}, false},
      {"no backslash", 0, nullptr, nullptr, L"HKEY_CURRENT_USER", {}, false},
      {"no root", 0, nullptr, nullptr, L"{S}\\B\\V", {}, false},
  };
  return cases;
}

class ScanPassShapes : public ScratchTree, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(ScanPassShapes, RegistryApiDeleter_DeletesWhatThePathNames) {
  const ShapeCase& c = GetParam();
  const Snapshot before = snapshot();
  if (c.key) {
    MemoryControls controls;
    RuleTable table(controls);
    RuleSlot slot = table.slot(5);
    slot.setEnableState(CheckState::Checked);
    slot.setHiveIndex(c.hive);
    slot.setKeyPath(expand(c.key));
    slot.setValueName(expand(c.value));
    ScanPass::run(table, deleter_);
  } else {
    deleter_.RegDelete(expand(c.path));
  }
  EXPECT_EQ(snapshot(), without(before, c.removed)) << c.shape;
  EXPECT_EQ(rootValueExists(), !c.removesRootValue) << c.shape;
}

INSTANTIATE_TEST_SUITE_P(Paths, ScanPassShapes, ::testing::ValuesIn(shapeCases()));

TEST_F(ScratchTree, ScanPass_TwelveRulesEachDeleteTheirOwnEntry) {
  MemoryControls controls;
  RuleTable table(controls);
  std::vector<std::wstring> removed;
  for (int n = 1; n <= SlotCount; ++n) {
    const std::wstring key = at(L"Many\\K" + std::to_wstring(n));
    setText(HKEY_CURRENT_USER, key, L"V", L"x");
    setText(HKEY_CURRENT_USER, key, L"Other", L"x");
    RuleSlot slot = table.slot(n);
    slot.setEnableState(CheckState::Checked);
    slot.setHiveIndex(1);
    slot.setKeyPath(key);
    slot.setValueName(L"V");
    removed.push_back(L"Many\\K" + std::to_wstring(n) + L"|V");
  }
  const Snapshot before = snapshot();
  ScanPass::run(table, deleter_);
  EXPECT_EQ(snapshot(), without(before, removed));
  // Re-created between passes: deleted again by the next one.
  setText(HKEY_CURRENT_USER, at(L"Many\\K7"), L"V", L"again");
  ScanPass::run(table, deleter_);
  EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, at(L"Many\\K7"), L"V"));
}

// What each call answers: the outcome of the registry's calls, or why the
// path names nothing.
TEST_F(ScratchTree, RegistryApiDeleter_AnswersWithTheOutcome) {
  using Kind = DeletionOutcome::Kind;
  const auto of = [](Kind k) { return DeletionOutcome::of(k); };
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\";
  // A key that everyone may read and no one may change.
  {
    setText(HKEY_CURRENT_USER, at(L"Locked"), L"V", L"locked");
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &sd,
                                                                       nullptr));
    const unique_hkey key = createKey(HKEY_CURRENT_USER, at(L"Locked"));
    const LSTATUS set = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, sd);
    ::LocalFree(sd);
    ASSERT_EQ(set, ERROR_SUCCESS);
  }
  const struct {
    std::wstring path;
    DeletionOutcome outcome;
  } cases[] = {
      {hkcu + at(L"A\\V"), of(Kind::Deleted)},
      {hkcu + at(L"A\\V"), of(Kind::NotThere)},  // the same again: gone
      {hkcu + at(L"Missing\\V"), of(Kind::NotThere)},
      {hkcu + at(L"A\\Leaf\\"), of(Kind::Deleted)},
      {hkcu + at(L"A\\Leaf\\"), of(Kind::NotThere)},
      {hkcu + at(L"A\\Parent\\"), of(Kind::HasSubkeys)},
      {hkcu + L"\\" + rootValue_, of(Kind::Deleted)},
      {hkcu + at(L"Locked\\V"), of(Kind::AccessDenied)},
      {hkcu + at(std::wstring(300, L'k') + L"\\V"), DeletionOutcome::failed(ERROR_INVALID_PARAMETER)},
      {L"\\" + at(L"A\\Keep"), DeletionOutcome::namesNothing(PathFault::NoHive)},
      {hkcu + L"\\" + at(L"A\\Keep"), DeletionOutcome::namesNothing(PathFault::LeadingBackslash)},
      {L"HKEY_CURRENT_USER\\\\", DeletionOutcome::namesNothing(PathFault::HiveItself)},
      {L"HKEY_CURRENT_USER", DeletionOutcome::namesNothing(PathFault::NoSeparator)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(asciiSummary(c.path));
    const DeletionOutcome got = deleter_.RegDelete(c.path);
    EXPECT_EQ(got.kind, c.outcome.kind);
    EXPECT_EQ(got.fault, c.outcome.fault);
    EXPECT_EQ(got.code, c.outcome.code);
  }
  EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, at(L"Locked"), L"V")) << "refused, so still there";
  EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, at(L"A\\Parent\\Child"), L"Y"));
  // Let the tear-down remove it.
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &sd,
                                                                     nullptr));
  unique_hkey locked;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, at(L"Locked").c_str(), 0, WRITE_DAC, locked.put()), ERROR_SUCCESS);
  EXPECT_EQ(::RegSetKeySecurity(locked.get(), DACL_SECURITY_INFORMATION, sd), ERROR_SUCCESS);
  ::LocalFree(sd);
}

// Shows the platform fact the safety of key deletion rests on: the API
// deletes no key that has subkeys, even when asked directly (a subkey may
// appear after our check).
TEST_F(ScratchTree, Platform_RegDeleteKeyExWRefusesKeyWithSubkeys) {
  const Snapshot before = snapshot();
  EXPECT_NE(::RegDeleteKeyExW(HKEY_CURRENT_USER, at(L"A\\Parent").c_str(), KEY_WOW64_64KEY, 0),
            ERROR_SUCCESS);
  EXPECT_EQ(snapshot(), before);
}

// HKEY_LOCAL_MACHINE\Software as a 64-bit program sees it, never the 32-bit
// programs' WOW6432Node copy.
TEST(RegistryApiDeleter_View, DeletesInThe64BitView) {
  const std::wstring name = uniqueName(L"VorlixRegTest-");
  const std::wstring native = L"Software\\" + name;
  const std::wstring wow = L"Software\\WOW6432Node\\" + name;
  try {
    setText(HKEY_LOCAL_MACHINE, native, L"V", L"64", KEY_WOW64_64KEY);
    setText(HKEY_LOCAL_MACHINE, wow, L"V", L"32", KEY_WOW64_64KEY);
  } catch (const Win32Error& e) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE not writable here: " << e.what();
  }
  RegistryApiDeleter deleter;
  deleter.RegDelete(L"HKEY_LOCAL_MACHINE\\" + native + L"\\V");
  EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, native, L"V", KEY_WOW64_64KEY));
  EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, wow, L"V", KEY_WOW64_64KEY));
  (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, native.c_str());  // cleanup, best effort
  (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, wow.c_str());
}

bool keyExists(HKEY root, const std::wstring& key) {
  unique_hkey k;
  return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// HKEY_CLASSES_ROOT as Windows shows it: the user's classes over the
// machine's. Wine's own view holds only the machine's, so a deleter that
// left the choice to the platform would take the machine's entries first.
TEST(RegistryApiDeleter_ClassesRoot, DeletesWhereTheViewFindsTheEntry) {
  using Kind = DeletionOutcome::Kind;
  const std::wstring name = uniqueName(L"VorlixRegTest-");
  const std::wstring classes = L"Software\\Classes\\" + name, k = classes + L"\\K";
  try {
    setText(HKEY_LOCAL_MACHINE, k, L"V", L"machine");
    setText(HKEY_LOCAL_MACHINE, classes, L"W", L"machine");
  } catch (const Win32Error& e) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE not writable here: " << e.what();
  }
  setText(HKEY_CURRENT_USER, k, L"V", L"user");
  const std::wstring view = L"HKEY_CLASSES_ROOT\\" + name;
  const struct {
    const char* step;
    std::wstring path;
    Kind outcome;
    bool userKey, userValue, machineKey, machineValue;  // of K, afterwards
  } steps[] = {
      {"the user's key hides the machine's: its value goes", view + L"\\K\\V", Kind::Deleted, true, false, true,
       true},
      {"the machine's value stays out of view", view + L"\\K\\V", Kind::NotThere, true, false, true, true},
      {"a value only the machine has is hidden too", view + L"\\W", Kind::NotThere, true, false, true, true},
      {"the user's key goes", view + L"\\K\\", Kind::Deleted, false, false, true, true},
      {"then the machine's value is in view, and goes", view + L"\\K\\V", Kind::Deleted, false, false, true,
       false},
      {"and the machine's key", view + L"\\K\\", Kind::Deleted, false, false, false, false},
  };
  RegistryApiDeleter deleter;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    EXPECT_EQ(deleter.RegDelete(s.path).kind, s.outcome);
    EXPECT_EQ(keyExists(HKEY_CURRENT_USER, k), s.userKey);
    EXPECT_EQ(valueExists(HKEY_CURRENT_USER, k, L"V"), s.userValue);
    EXPECT_EQ(keyExists(HKEY_LOCAL_MACHINE, k), s.machineKey);
    EXPECT_EQ(valueExists(HKEY_LOCAL_MACHINE, k, L"V"), s.machineValue);
  }
  EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, classes, L"W"));
  (void)::RegDeleteTreeW(HKEY_CURRENT_USER, classes.c_str());  // cleanup, best effort
  (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, classes.c_str());
}

// The service's deleter against links that someone who may create keys on a
// rule's path puts there; each leads to the key Protected\Leaf or its value V.
class RegistryLinks : public ::testing::Test {
 protected:
  struct LinkCase {
    HKEY root;
    std::wstring link, target;
    std::vector<std::wstring> rules;
  };
  void SetUp() override {
    if (::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (protected_ + L"\\Leaf").c_str(), L"V", REG_SZ, L"", 2) != ERROR_SUCCESS)
      GTEST_SKIP() << "HKEY_LOCAL_MACHINE not writable here";
    createKey(HKEY_CURRENT_USER, L"Software\\Classes");  // not as volatile as a link made below it
  }
  void TearDown() override {
    // Best effort; the links first, so that no tree is deleted through one.
    for (const LinkCase& c : cases_) (void)removeLink(c.root, c.link);
    (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, scratch_.c_str());
    (void)::RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + name_).c_str());
  }
  bool intact() const { return valueExists(HKEY_LOCAL_MACHINE, protected_ + L"\\Leaf", L"V"); }

  const std::wstring name_ = uniqueName(L"VorlixLinks-"), scratch_ = L"Software\\" + name_;
  const std::wstring protected_ = scratch_ + L"\\Protected", open_ = scratch_ + L"\\Open\\";
  const std::wstring rule_ = L"HKEY_LOCAL_MACHINE\\" + open_, classes_ = L"HKEY_CLASSES_ROOT\\" + name_ + L"\\Leaf\\";
  const std::vector<LinkCase> cases_{
      {HKEY_LOCAL_MACHINE, open_ + L"Leaf", protected_ + L"\\Leaf", {rule_ + L"Leaf\\"}},  // the leaf of a key rule
      {HKEY_LOCAL_MACHINE, open_ + L"Key", protected_ + L"\\Leaf", {rule_ + L"Key\\V"}},  // the key of a value rule
      {HKEY_LOCAL_MACHINE, open_ + L"Mid", protected_, {rule_ + L"Mid\\Leaf\\", rule_ + L"Mid\\Leaf\\V"}},  // mid-path
      {HKEY_CURRENT_USER, L"Software\\Classes\\" + name_, protected_, {classes_, classes_ + L"V"}},  // user's classes
  };
};

TEST_F(RegistryLinks, RegistryApiDeleter_RefusesEveryPathThroughALink) {
  for (const LinkCase& c : cases_) {
    ASSERT_EQ(makeLink(c.root, c.link, c.target), ERROR_SUCCESS);
    for (const std::wstring& rule : c.rules) {
      SCOPED_TRACE(asciiSummary(rule));
      EXPECT_EQ(RegistryApiDeleter(RegistryApiDeleter::Links::Refused).RegDelete(rule).fault, PathFault::ThroughLink);
      EXPECT_TRUE(intact());
    }
    ASSERT_EQ(removeLink(c.root, c.link), ERROR_SUCCESS);
  }
}

// A thread makes and removes the links as fast as it can, against the deleter
// at every pass (at "Instant" the links themselves wake the service's passes).
TEST_F(RegistryLinks, RegistryApiDeleter_RacedByLinksDeletesNothingBehindThem) {
  std::atomic<bool> done = false;
  std::thread attacker([&] {
    while (!done)
      for (const LinkCase& c : cases_) {
        (void)makeLink(c.root, c.link, c.target);  // the next removal tells nothing either way
        (void)removeLink(c.root, c.link);
      }
  });
  RegistryApiDeleter deleter(RegistryApiDeleter::Links::Refused);
  int pass = 0, linksMet = 0;
  for (; pass < 2000 && intact(); ++pass)
    for (const LinkCase& c : cases_)
      for (const std::wstring& rule : c.rules) linksMet += deleter.RegDelete(rule).fault == PathFault::ThroughLink;
  done = true;
  attacker.join();
  EXPECT_TRUE(intact()) << "deleted through a link after " << pass << " passes";
  EXPECT_GT(linksMet, 0) << "no pass met a link: the race was not run";
}

// In a copy of HKEY_LOCAL_MACHINE: CurrentControlSet a key of its own (Wine's), read as written;
// then a link (Windows'), read in the control set SYSTEM\Select names, not where it leads.
TEST_F(RegistryLinks, RegistryApiDeleter_ReadsCurrentControlSetAsTheControlSetInUse) {
  const std::wstring machine = scratch_ + L"\\Machine", system = machine + L"\\SYSTEM\\";
  const DWORD current = 2;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, (system + L"Select").c_str(), L"Current", REG_DWORD, &current, 4),
            ERROR_SUCCESS);
  for (const bool link : {false, true}) {
    for (const wchar_t* set : {L"ControlSet001", L"ControlSet002", L"CurrentControlSet"})
      setText(HKEY_LOCAL_MACHINE, system + set + L"\\Services\\T", L"V", L"");
    if (link && (::RegDeleteTreeW(HKEY_LOCAL_MACHINE, (system + L"CurrentControlSet").c_str()) != ERROR_SUCCESS ||
                 makeLink(HKEY_LOCAL_MACHINE, system + L"CurrentControlSet", system + L"ControlSet001")))
      FAIL() << "no link made";
    ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, createKey(HKEY_LOCAL_MACHINE, machine).get()), ERROR_SUCCESS);
    const DeletionOutcome outcome = RegistryApiDeleter(RegistryApiDeleter::Links::Refused)
                                        .RegDelete(L"HKEY_LOCAL_MACHINE\\system\\currentcontrolset\\Services\\T\\V");
    ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(outcome, DeletionOutcome::of(DeletionOutcome::Kind::Deleted));
    const std::wstring gone = link ? L"ControlSet002" : L"CurrentControlSet";
    for (const wchar_t* set : {L"ControlSet001", L"ControlSet002", L"CurrentControlSet"})
      EXPECT_EQ(valueExists(HKEY_LOCAL_MACHINE, system + set + L"\\Services\\T", L"V"), set != gone) << set;
  }
}

}  // namespace
}  // namespace vorlix::win32
