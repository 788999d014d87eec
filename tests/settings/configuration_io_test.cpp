#include "settings/configuration_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_settings_store.h"
#include "support/configuration_snapshot.h"
#include "support/timing_rig.h"

namespace vorlix {
namespace {

using test::Address;
using test::kSlotKeys;
using test::controlValue;
using test::loadOrderAddresses;
using test::snapshot;

std::vector<Address> okOrderAddresses() {
  std::vector<Address> out;
  for (const wchar_t* k : kSlotKeys) out.emplace_back(L"Reg", k);
  out.emplace_back(L"Reg", L"13");
  for (const wchar_t* section : {L"EnableKeys", L"keydirs"})
    for (const wchar_t* k : kSlotKeys) out.emplace_back(section, k);
  out.emplace_back(L"Reg", L"Enabled");
  for (const wchar_t* k : kSlotKeys) out.emplace_back(L"keynames", k);
  return out;
}

// The reads a save makes first: each rule's hive, key path and value name,
// in the order the save walks them.
std::vector<Address> rulePartAddresses() {
  std::vector<Address> out;
  for (const wchar_t* section : {L"Reg", L"keydirs", L"keynames"})
    for (const wchar_t* k : kSlotKeys) out.emplace_back(section, k);
  return out;
}

using Write = std::pair<Address, std::wstring>;

// A full configuration, different in every entry from the window's initial
// state and from fillControls below.
std::wstring storedValue(const Address& a) {
  const auto& [section, key] = a;
  if (section == L"Reg" && key == L"13") return L"4";
  if (section == L"Reg" && key == L"Enabled") return L"1";
  const int slot = std::stoi(key);
  if (section == L"Reg") return std::to_wstring(slot % 5);
  if (section == L"EnableKeys") return std::to_wstring(1 + slot % 2);
  if (section == L"keydirs") return L"Software\\Stored dir " + key;
  return L"stored name " + key;
}

void storeFull(MemorySettingsStore& store) {
  for (const Address& a : loadOrderAddresses()) store.put(a.first, a.second, storedValue(a));
}

// Edits that differ from both the initial state and storeFull.
void fillControls(ConfigControls& c) {
  for (int slot = 1; slot <= SlotCount; ++slot) {
    c.setListIndex(slot, static_cast<std::int16_t>((slot + 2) % 5));
    c.setCheckValue(slot, slot % 2 == 0 ? CheckState::Checked : CheckState::Unchecked);
    c.setText(TextField::KeyPath, slot, L"edited dir " + std::to_wstring(slot));
    c.setText(TextField::ValueName, slot, L"edited name " + std::to_wstring(slot));
  }
  c.setListIndex(PriorityCombo, 0);
  c.setCheckValue(ScannerBox, CheckState::Grayed);
}

// The writes of a save that changes every rule's parts, written out for
// both orders: each rule's enable entry goes before its hive, as 0 when its
// box is Checked, and after its value name as 1.
std::vector<Write> writesChangingEveryRule(const ConfigControls& c, bool onOk) {
  const auto value = [&](const Address& a) { return controlValue(c, a); };
  const auto checked = [&](int slot) { return c.checkValue(slot) == CheckState::Checked; };
  std::vector<Write> out;
  for (int slot = 1; slot <= SlotCount; ++slot) {
    const Address enable{L"EnableKeys", kSlotKeys[slot - 1]};
    out.emplace_back(enable, checked(slot) ? L"0" : value(enable));
    out.emplace_back(Address{L"Reg", kSlotKeys[slot - 1]}, value({L"Reg", kSlotKeys[slot - 1]}));
  }
  out.emplace_back(Address{L"Reg", L"13"}, value({L"Reg", L"13"}));
  if (!onOk) out.emplace_back(Address{L"Reg", L"Enabled"}, value({L"Reg", L"Enabled"}));
  for (const wchar_t* k : kSlotKeys) out.emplace_back(Address{L"keydirs", k}, value({L"keydirs", k}));
  if (onOk) out.emplace_back(Address{L"Reg", L"Enabled"}, value({L"Reg", L"Enabled"}));
  for (int slot = 1; slot <= SlotCount; ++slot) {
    const Address name{L"keynames", kSlotKeys[slot - 1]};
    out.emplace_back(name, value(name));
    if (checked(slot)) out.emplace_back(Address{L"EnableKeys", kSlotKeys[slot - 1]}, L"1");
  }
  return out;
}

std::vector<Address> addressesOf(const std::vector<Write>& writes) {
  std::vector<Address> out;
  for (const Write& w : writes) out.push_back(w.first);
  return out;
}

std::wstring describe(const SettingsCall& c) {
  return (c.kind == SettingsCall::Kind::Read ? L"read " : L"write ") + c.section + L" " + c.key;
}

// The controls and the store, with the timing wired as in the program.
struct Rig : TimingRig {
  MemorySettingsStore store;

  void read() {
    ProgramOptions options(controls, &timing);
    readConfiguration(store, RuleTable(controls), options);
  }
  void write(const EntryOrder& order) {
    writeConfiguration(store, RuleTable(controls), ProgramOptions(controls), order);
  }

  std::vector<Address> addressesOf(SettingsCall::Kind kind) const {
    std::vector<Address> out;
    for (const SettingsCall& c : store.calls)
      if (c.kind == kind) out.emplace_back(c.section, c.key);
    return out;
  }
};

TEST(ReadFlow_EmptyStore, GivesTheDefaultConfigurationAndStartsScanning) {
  Rig rig;
  rig.read();

  for (int slot = 1; slot <= SlotCount; ++slot) {
    EXPECT_EQ(rig.controls.listIndex(slot), -1);
    EXPECT_EQ(rig.controls.checkValue(slot), CheckState::Unchecked);
    EXPECT_EQ(rig.controls.text(TextField::KeyPath, slot), L"");
    EXPECT_EQ(rig.controls.text(TextField::ValueName, slot), L"");
  }
  EXPECT_EQ(rig.controls.listIndex(PriorityCombo), 2);
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_TRUE(rig.timer.enabled());
  EXPECT_EQ(rig.timer.interval(), 60000);
  EXPECT_EQ(rig.store.entryCount(), 0u) << "loading never writes";
}

TEST(ReadFlow_Calls, ReadEveryEntryInTheLoadOrderUnderStartUpWithItsDefault) {
  Rig rig;
  rig.read();
  EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Read), loadOrderAddresses());
  ASSERT_EQ(rig.store.calls.size(), 50u);
  for (const SettingsCall& c : rig.store.calls) {
    EXPECT_EQ(c.application, L"StartUp");
    std::wstring expectedDefault;
    if (c.section == L"Reg") expectedDefault = c.key == L"13" ? L"2" : c.key == L"Enabled" ? L"1" : L"-1";
    if (c.section == L"EnableKeys") expectedDefault = L"0";
    EXPECT_EQ(c.text, expectedDefault) << asciiSummary(describe(c));
  }
}

TEST(ReadFlow_Revert, ReplacesEveryEdit) {
  Rig rig;
  storeFull(rig.store);
  fillControls(rig.controls);
  rig.read();
  std::vector<std::wstring> stored;
  for (const Address& a : loadOrderAddresses()) stored.push_back(storedValue(a));
  EXPECT_EQ(snapshot(rig.controls), stored);
}

// Every rule differs from the empty store, so each is switched off around
// its parts: the store's rule parts are read first, then the guarded order.
TEST(WriteFlow_Calls, WriteEveryEntryInItsOrderUnderStartUpFromItsControl) {
  for (const bool ok : {true, false}) {
    Rig rig;
    fillControls(rig.controls);
    rig.write(ok ? okOrder() : loadOrder());
    EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Read), rulePartAddresses());
    std::vector<Write> written;
    for (const SettingsCall& c : rig.store.calls) {
      EXPECT_EQ(c.application, L"StartUp");
      if (c.kind == SettingsCall::Kind::Write) written.emplace_back(Address{c.section, c.key}, c.text);
    }
    EXPECT_EQ(written, writesChangingEveryRule(rig.controls, ok));
  }
}

TEST(SaveFlows_OkThenExit, WriteTheSameStoreInTwoOrders) {
  Rig rig;
  fillControls(rig.controls);
  rig.write(okOrder());
  const std::vector<std::wstring> afterOk = [&] {
    std::vector<std::wstring> out;
    for (const Address& a : loadOrderAddresses()) out.push_back(rig.store.get(a.first, a.second).value_or(L"?"));
    return out;
  }();
  EXPECT_EQ(afterOk, snapshot(rig.controls));

  // No rule changes any more, so none is switched off: the plain orders.
  rig.store.calls.clear();
  rig.write(okOrder());
  EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Write), okOrderAddresses());
  rig.store.calls.clear();
  rig.write(loadOrder());
  EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Write), loadOrderAddresses());
  for (const SettingsCall& c : rig.store.calls) {
    if (c.kind == SettingsCall::Kind::Write) {
      EXPECT_EQ(c.text, controlValue(rig.controls, {c.section, c.key})) << asciiSummary(describe(c));
    }
  }
}

TEST(SaveFlow_NoCaching, EachEntryIsTakenFromItsControlWhenWritten) {
  Rig rig;
  rig.store.onCall = [&rig](const SettingsCall& c) {
    if (c.section == L"Reg" && c.key == L"1") {
      rig.controls.setCheckValue(5, CheckState::Grayed);
      rig.controls.setText(TextField::ValueName, 9, L"typed meanwhile");
    }
  };
  rig.write(okOrder());
  EXPECT_EQ(rig.store.get(L"EnableKeys", L"5"), L"2");
  EXPECT_EQ(rig.store.get(L"keynames", L"9"), L"typed meanwhile");
}

// A stored scanner switch against a box that starts Unchecked: the reaction
// runs at the assignment, before the enable boxes are read.
struct SwitchCase {
  const char* name;
  const wchar_t* stored;  // nullptr: absent, so the default 1
  bool timerRunningBefore;
  bool runningAfterAssignment;
};

constexpr SwitchCase kSwitchCases[] = {
    {"stored 1 checks the box and its reaction starts the timer", L"1", false, true},
    {"absent reads as 1", nullptr, false, true},
    {"stored 0 equals the box: no reaction, timer stays stopped", L"0", false, false},
    {"stored 0 equals the box: no reaction, a running timer runs on", L"0", true, true},
    {"stored 2 grays the box and its reaction stops the timer", L"2", true, false},
    {"stored 2 grays a box that was off: the timer stays stopped", L"2", false, false},
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class ReadFlow_ScannerSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(ReadFlow_ScannerSwitch, ReactsAtTheAssignment) {
  const SwitchCase& c = GetParam();
  Rig rig;
  rig.store.put(L"Reg", L"13", L"4");
  if (c.stored) rig.store.put(L"Reg", L"Enabled", c.stored);
  rig.timer.setEnabled(c.timerRunningBefore);

  bool runningWhenSwitchRead = !c.timerRunningBefore;
  bool runningAtNextRead = !c.runningAfterAssignment;
  std::int32_t intervalAtNextRead = 0;
  rig.store.onCall = [&](const SettingsCall& call) {
    if (call.section == L"Reg" && call.key == L"Enabled") runningWhenSwitchRead = rig.timer.enabled();
    if (call.section == L"EnableKeys" && call.key == L"1") {
      runningAtNextRead = rig.timer.enabled();
      intervalAtNextRead = rig.timer.interval();
    }
  };
  rig.read();

  EXPECT_EQ(runningWhenSwitchRead, c.timerRunningBefore) << "nothing reacts before the read";
  EXPECT_EQ(runningAtNextRead, c.runningAfterAssignment);
  EXPECT_EQ(intervalAtNextRead, 1000) << "the priority is applied before the switch";
  EXPECT_EQ(rig.timer.enabled(), c.runningAfterAssignment) << "nothing else in the read switches it";
}

INSTANTIATE_TEST_SUITE_P(StoredStates, ReadFlow_ScannerSwitch, ::testing::ValuesIn(kSwitchCases));

TEST(ReadFlow_Priority, ALevelTheSelectorAlreadyShowsSetsNoInterval) {
  Rig rig;
  rig.controls.setListIndex(PriorityCombo, 2);
  rig.timer.setInterval(12345);
  rig.read();  // the empty store gives 2
  EXPECT_EQ(rig.timer.interval(), 12345);

  rig.store.put(L"Reg", L"13", L"-1");
  rig.read();
  EXPECT_EQ(rig.controls.listIndex(PriorityCombo), -1);
  EXPECT_EQ(rig.timer.interval(), 12345) << "no level keeps the interval";
}

TEST(ReadFlow_Priority, EveryLevelLoadsAndIsSavedAsStored) {
  for (const wchar_t* stored : {L"-1", L"0", L"1", L"2", L"3", L"4", L"5"}) {
    SCOPED_TRACE(asciiSummary(stored));
    Rig rig;
    rig.store.put(L"Reg", L"13", stored);
    rig.read();
    EXPECT_EQ(std::to_wstring(rig.controls.listIndex(PriorityCombo)), stored);
    // Scanning is on (the empty store's switch): only "Instant" watches.
    EXPECT_EQ(rig.watch.armed(), std::wstring_view(stored) == L"5");
    MemorySettingsStore saved;
    writeConfiguration(saved, RuleTable(rig.controls), ProgramOptions(rig.controls), okOrder());
    EXPECT_EQ(saved.get(L"Reg", L"13"), stored);
  }
}

TEST(RevertFlow_AfterConfigure, UntouchedSwitchLeavesScanningStopped) {
  Rig rig;
  storeFull(rig.store);
  rig.read();
  ASSERT_TRUE(rig.timer.enabled());
  rig.timing.switchOff();  // Configure
  rig.controls.setText(TextField::KeyPath, 3, L"edited");

  rig.read();
  EXPECT_EQ(rig.controls.text(TextField::KeyPath, 3), L"Software\\Stored dir 3");
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_FALSE(rig.timer.enabled());
}

TEST(RevertFlow_AfterConfigure, ClearedSwitchIsRestoredAndResumesScanning) {
  Rig rig;
  storeFull(rig.store);
  rig.read();
  rig.timing.switchOff();  // Configure
  ProgramOptions(rig.controls, &rig.timing).setScannerState(CheckState::Unchecked);  // user click

  rig.read();
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_TRUE(rig.timer.enabled());
}

TEST(Flows_GrayedState, ReadAndWrittenAsTwo) {
  Rig rig;
  rig.store.put(L"EnableKeys", L"3", L"2");
  rig.store.put(L"Reg", L"Enabled", L"2");
  rig.store.put(L"keydirs", L"3", L"K");
  rig.read();
  EXPECT_EQ(rig.controls.checkValue(3), CheckState::Grayed);
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Grayed);
  EXPECT_FALSE(rig.timer.enabled());
  EXPECT_FALSE(RuleTable(rig.controls).slot(3).isActive());

  MemorySettingsStore saved;
  writeConfiguration(saved, RuleTable(rig.controls), ProgramOptions(rig.controls), okOrder());
  EXPECT_EQ(saved.get(L"EnableKeys", L"3"), L"2");
  EXPECT_EQ(saved.get(L"Reg", L"Enabled"), L"2");
  EXPECT_EQ(saved.get(L"Reg", L"3"), L"-1");
}

TEST(Flows_Texts, ComeBackExactlyAsTyped) {
  const std::wstring texts[] = {
      L"\\Software\\Lead and trail\\", L"  blanks at both ends  ", L"Software\\Ünïcødé\\日本語",
      L"", L"a\\\\double", L"\t tab", L"😀 emoji", std::wstring(5000, L'x'),
  };
  Rig rig;
  int slot = 1;
  for (const std::wstring& t : texts) {
    rig.controls.setText(TextField::KeyPath, slot, t);
    rig.controls.setText(TextField::ValueName, slot, t + L" ");
    ++slot;
  }
  rig.write(loadOrder());

  Rig fresh;
  for (const Address& a : loadOrderAddresses()) {
    ASSERT_TRUE(rig.store.get(a.first, a.second).has_value());
    fresh.store.put(a.first, a.second, *rig.store.get(a.first, a.second));
  }
  fresh.read();
  EXPECT_EQ(snapshot(fresh.controls), snapshot(rig.controls));
}

struct BadValueCase {
  const char* name;
  const wchar_t* section;
  const wchar_t* key;
  const wchar_t* stored;
  SettingsFailureKind kind;
  const wchar_t* accepted;
};

const BadValueCase kBadValues[] = {
    {"hive index out of the list", L"Reg", L"7", L"9", SettingsFailureKind::Refused,
     L"a whole number from -1 to 4"},
    {"first entry not a number", L"Reg", L"1", L"HKEY_USERS", SettingsFailureKind::NotANumber,
     L"a whole number from -1 to 4"},
    {"priority beyond Instant", L"Reg", L"13", L"6", SettingsFailureKind::Refused,
     L"a whole number from -1 to 5"},
    {"hive index of the sixth priority level", L"Reg", L"3", L"5", SettingsFailureKind::Refused,
     L"a whole number from -1 to 4"},
    {"switch beyond Grayed", L"Reg", L"Enabled", L"3", SettingsFailureKind::Refused,
     L"a whole number from 0 to 2"},
    {"enable state negative", L"EnableKeys", L"12", L"-1", SettingsFailureKind::Refused,
     L"a whole number from 0 to 2"},
    {"existing empty integer is not its default", L"EnableKeys", L"1", L"",
     SettingsFailureKind::NotANumber, L"a whole number from 0 to 2"},
    {"beyond 16 bits", L"Reg", L"13", L"32768", SettingsFailureKind::NotANumber,
     L"a whole number from -1 to 5"},
    {"fraction", L"Reg", L"4", L"1.0", SettingsFailureKind::NotANumber,
     L"a whole number from -1 to 4"},
};

void PrintTo(const BadValueCase& c, std::ostream* os) { *os << c.name; }

class ReadFlows_BadValue : public ::testing::TestWithParam<BadValueCase> {};

TEST_P(ReadFlows_BadValue, StopsAtThatEntryWithoutWriting) {
  const BadValueCase& c = GetParam();
  Rig rig;
  storeFull(rig.store);
  rig.store.put(c.section, c.key, c.stored);
  fillControls(rig.controls);
  const std::vector<std::wstring> before = snapshot(rig.controls);

  try {
    rig.read();
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    const SettingsFailureDetails& d = failure.details();
    EXPECT_EQ(d.kind, c.kind);
    EXPECT_EQ(d.section, c.section);
    EXPECT_EQ(d.key, c.key);
    EXPECT_EQ(d.storedText, c.stored);
    EXPECT_EQ(d.accepted, c.accepted);
    EXPECT_EQ(d.location, std::wstring(L"memory:StartUp\\") + c.section);
    EXPECT_TRUE(failure.duringRead());
  }

  const std::vector<Address> order = loadOrderAddresses();
  const auto failingAt = std::find(order.begin(), order.end(), Address(c.section, c.key)) - order.begin();
  const std::vector<Address> reads = rig.addressesOf(SettingsCall::Kind::Read);
  EXPECT_EQ(reads, std::vector<Address>(order.begin(), order.begin() + failingAt + 1))
      << "nothing after the failing entry is read";
  EXPECT_TRUE(rig.addressesOf(SettingsCall::Kind::Write).empty());

  const std::vector<std::wstring> after = snapshot(rig.controls);
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::wstring expected =
        static_cast<std::ptrdiff_t>(i) < failingAt ? storedValue(order[i]) : before[i];
    EXPECT_EQ(after[i], expected) << asciiSummary(order[i].first + L" " + order[i].second);
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, ReadFlows_BadValue, ::testing::ValuesIn(kBadValues));

TEST(ReadFlows_UnreadableValue, IsThatEntrysFailure) {
  Rig rig;
  rig.store.putUnreadable(L"keydirs", L"4", L"a value of type REG_BINARY");
  try {
    rig.read();
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    EXPECT_EQ(failure.kind(), SettingsFailureKind::UnreadableValue);
    EXPECT_EQ(failure.details().key, L"4");
    EXPECT_EQ(failure.details().reason, L"a value of type REG_BINARY");
  }
  EXPECT_EQ(rig.controls.text(TextField::KeyPath, 3), L"");
}

struct WriteFailureCase {
  const char* name;
  bool onOk;
  const wchar_t* section;
  const wchar_t* key;
};

constexpr WriteFailureCase kWriteFailures[] = {
    {"ok, a key path", true, L"keydirs", L"5"},
    {"ok, the switch", true, L"Reg", L"Enabled"},
    {"exit, the first entry", false, L"Reg", L"1"},
    {"exit, the last entry", false, L"keynames", L"12"},
};

void PrintTo(const WriteFailureCase& c, std::ostream* os) { *os << c.name; }

class WriteFlows_Failure : public ::testing::TestWithParam<WriteFailureCase> {};

TEST_P(WriteFlows_Failure, StopsAtThatEntryAndLeavesControlsAlone) {
  const WriteFailureCase& c = GetParam();
  Rig rig;
  storeFull(rig.store);
  fillControls(rig.controls);
  rig.controls.setCheckValue(ScannerBox, CheckState::Checked);
  const std::vector<std::wstring> controlsBefore = snapshot(rig.controls);
  rig.store.failWritesTo(c.section, c.key, L"Access is denied.");

  try {
    rig.write(c.onOk ? okOrder() : loadOrder());
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    EXPECT_EQ(failure.kind(), SettingsFailureKind::WriteFailed);
    EXPECT_FALSE(failure.duringRead());
    EXPECT_EQ(failure.details().section, c.section);
    EXPECT_EQ(failure.details().key, c.key);
    EXPECT_EQ(failure.details().reason, L"Access is denied.");
  }

  EXPECT_EQ(snapshot(rig.controls), controlsBefore);

  // Every rule changes, so each is switched off around its parts.
  const std::vector<Address> order = addressesOf(writesChangingEveryRule(rig.controls, c.onOk));
  const std::vector<Write> writes = writesChangingEveryRule(rig.controls, c.onOk);
  const auto failingAt = std::find(order.begin(), order.end(), Address(c.section, c.key)) - order.begin();
  EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Write),
            std::vector<Address>(order.begin(), order.begin() + failingAt + 1));
  std::map<Address, std::wstring> expected;
  for (const Address& a : loadOrderAddresses()) expected[a] = storedValue(a);
  for (std::ptrdiff_t i = 0; i < failingAt; ++i) {
    const Write& w = writes[static_cast<std::size_t>(i)];
    expected[w.first] = w.second;
  }
  for (const auto& [a, value] : expected)
    EXPECT_EQ(rig.store.get(a.first, a.second), value) << asciiSummary(a.first + L" " + a.second);
}

INSTANTIATE_TEST_SUITE_P(Positions, WriteFlows_Failure, ::testing::ValuesIn(kWriteFailures));


// ---- Stored texts of every hostile shape, over all 50 entries ----

std::vector<Address> readsOf(const MemorySettingsStore& store) {
  std::vector<Address> out;
  for (const SettingsCall& c : store.calls) {
    EXPECT_EQ(c.kind, SettingsCall::Kind::Read) << "a load never writes";
    out.emplace_back(c.section, c.key);
  }
  return out;
}

// What each entry accepts, written out independently of the layout.
struct EntryRule {
  bool text;
  int lowest, highest;
  const wchar_t* defaultText;
};

EntryRule ruleOf(const Address& a) {
  if (a.first == L"keydirs" || a.first == L"keynames") return {true, 0, 0, L""};
  if (a.first == L"Reg" && a.second == L"Enabled") return {false, 0, 2, L"1"};
  if (a.first == L"EnableKeys") return {false, 0, 2, L"0"};
  if (a.second == L"13") return {false, -1, 5, L"2"};  // the six priority levels
  return {false, -1, 4, L"-1"};
}

enum class Verdict { Loads, NotANumber, Refused, Unreadable };

// One generated entry: what is stored and what loading it must give.
struct Planted {
  std::optional<std::wstring> text;  // none: absent, or unreadable
  Verdict verdict;
  std::wstring loaded;  // the control's value afterwards, stored form
};

class StoredTexts {
 public:
  explicit StoredTexts(unsigned seed) : random_(seed) {}

  int pick(int lowest, int highest) { return std::uniform_int_distribution<int>(lowest, highest)(random_); }
  bool chance(int percent) { return pick(1, 100) <= percent; }

  std::wstring blanks(int shortest, int longest) {
    std::wstring out;
    for (int n = pick(shortest, longest); n > 0; --n) out += chance(50) ? L' ' : L'\t';
    return out;
  }
  std::wstring digits(int shortest, int longest) {
    std::wstring out(1, static_cast<wchar_t>(L'1' + pick(0, 8)));
    for (int n = pick(shortest, longest) - 1; n > 0; --n) out += static_cast<wchar_t>(L'0' + pick(0, 9));
    return out;
  }
  // Any characters at all: NULs, controls, unpaired surrogates, digits.
  std::wstring anyText(int longest) {
    static constexpr wchar_t kOdd[] = {L'\0', L'\t', L'\n', L' ', L'\\', L'-', L'+', L'.', L'0', L'9',
                                       0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0x00A0, 0xFEFF, 0xFFFF, L'é', L'日'};
    std::wstring out;
    for (int n = pick(0, longest); n > 0; --n)
      out += chance(50) ? kOdd[pick(0, std::size(kOdd) - 1)] : static_cast<wchar_t>(pick(0x20, 0x7E));
    return out;
  }
  // At most one megabyte text per store, in about one store in a hundred:
  // each costs a twentieth of a second under the sanitizers.
  void newStore() { megabyteLeft_ = chance(1); }
  bool megabyteHere() { return megabyteLeft_ && chance(10) && !(megabyteLeft_ = false); }
  std::wstring megabyte(wchar_t c) {
    ++megabytes;
    return std::wstring(1 << 20, c);
  }
  int megabytes = 0;

  // A spelling of `value` that the reader takes: the writer's, or with
  // blanks around, a plus sign, leading zeros, "-0".
  std::wstring spelled(int value) {
    const std::wstring magnitude = std::to_wstring(value < 0 ? -value : value);
    std::wstring sign = value < 0 ? L"-" : L"";
    if (value >= 0 && chance(30)) sign = value == 0 && chance(50) ? L"-" : L"+";
    std::wstring zeros(static_cast<std::size_t>(chance(30) ? pick(1, 6) : 0), L'0');
    if (megabyteHere()) zeros = megabyte(L'0');
    std::wstring out = sign + zeros + magnitude;
    if (chance(40)) out = blanks(1, 3) + out + blanks(0, 3);
    if (megabyteHere()) out = megabyte(L' ') + out + L'\t';
    return out;
  }

  Planted good(const EntryRule& rule) {
    if (chance(15)) return {std::nullopt, Verdict::Loads, rule.defaultText};
    if (rule.text) {
      const std::wstring text = megabyteHere() ? megabyte(L'k') : anyText(40);
      return {text, Verdict::Loads, text};
    }
    const int value = pick(rule.lowest, rule.highest);
    return {spelled(value), Verdict::Loads, std::to_wstring(value)};
  }

  // A stored value that stops the load at its entry.
  Planted bad(const EntryRule& rule) {
    if (rule.text || chance(10)) return {std::nullopt, Verdict::Unreadable, {}};
    if (chance(50)) {
      // A 16-bit number the control does not take, at the limits or between.
      const int candidates[] = {-32768, -32767, rule.lowest - 1, rule.highest + 1, 32766, 32767,
                                pick(-32768, rule.lowest - 1), pick(rule.highest + 1, 32767)};
      return {spelled(candidates[pick(0, std::size(candidates) - 1)]), Verdict::Refused, {}};
    }
    return {notANumber(), Verdict::NotANumber, {}};
  }

  std::wstring notANumber() {
    const std::wstring d = digits(1, 3);
    switch (pick(0, 13)) {
      case 0: return blanks(0, 4);
      case 1: return std::wstring(chance(50) ? L"+" : L"-") + (chance(50) ? L"" : blanks(1, 2));
      case 2: return std::wstring(chance(50) ? L"+-" : chance(50) ? L"--" : L"-+") + d;
      case 3: return (chance(50) ? d : L"-") + blanks(1, 2) + d;  // inner blank
      case 4: return d + (chance(50) ? L"." : L",") + digits(1, 3);
      case 5: return chance(50) ? L"." + d : d + L".";
      case 6: return d + (chance(50) ? L"e" : L"E+") + d;
      case 7:
        return std::wstring(chance(50) ? L"0x" : chance(50) ? L"&H" : L"0X") + d +
               (chance(50) ? L"F" : L"");
      case 8: return (chance(50) ? L"" : L"-") + std::to_wstring(pick(32769, 2'000'000'000));
      case 9: return chance(50) ? L"32768" : chance(50) ? L"-32769" : L"+00065536";
      case 10: return megabyteHere() ? megabyte(L'9') : digits(6, 40);  // beyond 16 bits
      case 11: {  // a NUL anywhere among digits
        std::wstring t = d;
        t.insert(static_cast<std::size_t>(pick(0, static_cast<int>(t.size()))), 1, L'\0');
        return t;
      }
      case 12: {
        const wchar_t odd[] = {0xD800, 0xDC00, 0x0664, 0xFF14, 0x00A0, L'\n', L'\r', L'\v'};
        return chance(50) ? odd[pick(0, 7)] + d : d + odd[pick(0, 7)];
      }
      default: {  // any text with a letter in it
        std::wstring t = megabyteHere() ? megabyte(L'5') : anyText(20);
        t.insert(static_cast<std::size_t>(pick(0, static_cast<int>(t.size()))), 1, L'x');
        return t;
      }
    }
  }

  std::mt19937 random_;
  bool megabyteLeft_ = false;
};

SettingsFailureKind failureKind(Verdict v) {
  return v == Verdict::Refused      ? SettingsFailureKind::Refused
         : v == Verdict::Unreadable ? SettingsFailureKind::UnreadableValue
                                    : SettingsFailureKind::NotANumber;
}

// Fills the controls with some valid state for a load to overwrite.
void fillRandomly(ConfigControls& c, StoredTexts& g) {
  for (int slot = 1; slot <= SlotCount; ++slot) {
    c.setListIndex(slot, static_cast<std::int16_t>(g.pick(-1, 4)));
    c.setCheckValue(slot, static_cast<CheckState>(g.pick(0, 2)));
    c.setText(TextField::KeyPath, slot, L"before " + std::to_wstring(g.pick(0, 99)));
    c.setText(TextField::ValueName, slot, g.anyText(5));
  }
  c.setListIndex(PriorityCombo, static_cast<std::int16_t>(g.pick(-1, 5)));
  c.setCheckValue(ScannerBox, static_cast<CheckState>(g.pick(0, 2)));
}

TEST(ReadFlows_GeneratedStores, LoadExactlyOrStopAtTheFirstBadEntryWithoutWriting) {
  StoredTexts g(20261207);
  const std::vector<Address> order = loadOrderAddresses();
  std::map<std::string, int> outcomes;
  constexpr int kCases = 2000;
  for (int n = 0; n < kCases && !::testing::Test::HasFailure(); ++n) {
    SCOPED_TRACE("case " + std::to_string(n));
    // Where the first bad entry sits (50: none), mostly a number's entry:
    // a text entry can only fail by not holding text.
    const std::size_t badAt = static_cast<std::size_t>(g.chance(25) ? 50 : g.pick(0, g.chance(70) ? 25 : 49));
    g.newStore();
    MemorySettingsStore store;
    std::vector<Planted> planted;
    for (std::size_t i = 0; i < order.size(); ++i) {
      const EntryRule rule = ruleOf(order[i]);
      // After the bad entry anything may be stored: none of it may be read.
      planted.push_back(i < badAt    ? g.good(rule)
                        : i == badAt ? g.bad(rule)
                                     : (g.chance(50) ? g.good(rule) : g.bad(rule)));
      const Planted& p = planted.back();
      if (p.text) store.put(order[i].first, order[i].second, *p.text);
      if (p.verdict == Verdict::Unreadable)
        store.putUnreadable(order[i].first, order[i].second, L"a value of type REG_BINARY");
    }
    const std::size_t entriesBefore = store.entryCount();

    MemoryControls controls;
    fillRandomly(controls, g);
    const std::vector<std::wstring> before = snapshot(controls);
    ProgramOptions options(controls);

    std::optional<SettingsFailure> failure;
    try {
      readConfiguration(store, RuleTable(controls), options);
    } catch (const SettingsFailure& f) {
      failure = f;
    }

    const std::size_t read = std::min<std::size_t>(badAt + 1, order.size());
    if (badAt == order.size()) {
      EXPECT_FALSE(failure) << (failure ? failure->what() : "");
      ++outcomes["loaded whole"];
    } else if (failure) {
      const Planted& bad = planted[badAt];
      EXPECT_EQ(failure->kind(), failureKind(bad.verdict));
      EXPECT_EQ(failure->details().section, order[badAt].first);
      EXPECT_EQ(failure->details().key, order[badAt].second);
      if (bad.text) {
        EXPECT_TRUE(failure->details().storedText == *bad.text) << "stored text not passed on whole";
      }
      ++outcomes[bad.verdict == Verdict::Refused ? "stopped: refused" : bad.verdict == Verdict::Unreadable
                                                                            ? "stopped: not text"
                                                                            : "stopped: not a number"];
    } else {
      ADD_FAILURE() << "no failure at " << asciiSummary(order[badAt].first + L" " + order[badAt].second);
    }
    const std::vector<std::wstring> after = snapshot(controls);
    for (std::size_t i = 0; i < order.size(); ++i) {
      const std::wstring& expected = i < badAt ? planted[i].loaded : before[i];
      EXPECT_TRUE(after[i] == expected) << asciiSummary(order[i].first + L" " + order[i].second)
                                        << (i < badAt ? " loaded wrong" : " changed after the stop");
    }
    EXPECT_EQ(readsOf(store),
              std::vector<Address>(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(read)));
    EXPECT_EQ(store.entryCount(), entriesBefore) << "the load wrote";
  }
  std::cout << "[ generated ] " << kCases << " stores, " << g.megabytes << " megabyte texts:";
  for (const auto& [outcome, count] : outcomes) std::cout << " " << count << " " << outcome << ";";
  std::cout << "\n";
}

}  // namespace
}  // namespace vorlix
