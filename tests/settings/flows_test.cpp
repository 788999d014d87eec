#include "settings/flows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/scan_timing.h"
#include "platform/memory/manual_timer.h"
#include "platform/memory/memory_controls.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/memory/recording_deleter.h"

namespace vorlix {
namespace {

using Address = std::pair<std::wstring, std::wstring>;

const wchar_t* const kSlotKeys[] = {L"1", L"2", L"3", L"4",  L"5",  L"6",
                                    L"7", L"8", L"9", L"10", L"11", L"12"};

// The 50 addresses in the load order, written out independently of the code.
std::vector<Address> loadOrderAddresses() {
  std::vector<Address> out;
  for (const wchar_t* k : kSlotKeys) out.emplace_back(L"Reg", k);
  out.emplace_back(L"Reg", L"13");
  out.emplace_back(L"Reg", L"Enabled");
  for (const wchar_t* section : {L"EnableKeys", L"keydirs", L"keynames"})
    for (const wchar_t* k : kSlotKeys) out.emplace_back(section, k);
  return out;
}

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

// What the control behind an entry shows, in stored form.
std::wstring controlValue(const ConfigControls& c, const Address& a) {
  const auto& [section, key] = a;
  if (section == L"Reg" && key == L"13") return std::to_wstring(c.listIndex(PriorityCombo));
  if (section == L"Reg" && key == L"Enabled")
    return std::to_wstring(static_cast<int>(c.checkValue(ScannerBox)));
  const int slot = std::stoi(key);
  if (section == L"Reg") return std::to_wstring(c.listIndex(slot));
  if (section == L"EnableKeys") return std::to_wstring(static_cast<int>(c.checkValue(slot)));
  if (section == L"keydirs") return c.text(TextField::Key, slot);
  return c.text(TextField::Name, slot);
}

std::vector<std::wstring> snapshot(const ConfigControls& c) {
  std::vector<std::wstring> out;
  for (const Address& a : loadOrderAddresses()) out.push_back(controlValue(c, a));
  return out;
}

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
    c.setText(TextField::Key, slot, L"edited dir " + std::to_wstring(slot));
    c.setText(TextField::Name, slot, L"edited name " + std::to_wstring(slot));
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

// The window's side of the flows, with the timing wired as in the program.
struct Rig : FlowHooks {
  MemoryControls controls;
  ManualTimer timer;
  RecordingDeleter deleter;
  ScanTiming timing{timer, controls, deleter};
  MemorySettingsStore store;
  ConfigurationFlows flows{store, RuleTable(controls), ProgramOptions(controls, &timing), *this};
  // Hook calls and store calls, interleaved as they happened.
  std::vector<std::wstring> log;

  Rig() {
    store.onCall = [this](const SettingsCall& c) { log.push_back(describe(c)); };
  }
  void hideWindow() override { log.push_back(L"hide"); }
  void addTrayIcon() override { log.push_back(L"add icon"); }
  void deleteTrayIcon() override { log.push_back(L"delete icon"); }
  void switchOn() override {
    log.push_back(L"switch on");
    timing.switchOn();
  }

  std::vector<Address> addressesOf(SettingsCall::Kind kind) const {
    std::vector<Address> out;
    for (const SettingsCall& c : store.calls)
      if (c.kind == kind) out.emplace_back(c.section, c.key);
    return out;
  }
};

std::vector<std::wstring> expectedLog(std::initializer_list<const wchar_t*> before,
                                      const wchar_t* verb, const std::vector<Address>& order,
                                      std::initializer_list<const wchar_t*> after) {
  std::vector<std::wstring> out(before.begin(), before.end());
  for (const Address& a : order) out.push_back(std::wstring(verb) + L" " + a.first + L" " + a.second);
  out.insert(out.end(), after.begin(), after.end());
  return out;
}

TEST(LoadFlow_EmptyStore, GivesTheDefaultConfigurationAndStartsScanning) {
  Rig rig;
  rig.flows.load();

  for (int slot = 1; slot <= SlotCount; ++slot) {
    EXPECT_EQ(rig.controls.listIndex(slot), -1);
    EXPECT_EQ(rig.controls.checkValue(slot), CheckState::Unchecked);
    EXPECT_EQ(rig.controls.text(TextField::Key, slot), L"");
    EXPECT_EQ(rig.controls.text(TextField::Name, slot), L"");
  }
  EXPECT_EQ(rig.controls.listIndex(PriorityCombo), 2);
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_TRUE(rig.timer.enabled());
  EXPECT_EQ(rig.timer.interval(), 60000);
  EXPECT_EQ(rig.store.entryCount(), 0u) << "loading never writes";
}

TEST(LoadFlow_Sequence, HidesReadsInLoadOrderThenAddsIconThenSwitchesOn) {
  Rig rig;
  rig.flows.load();
  EXPECT_EQ(rig.log, expectedLog({L"hide"}, L"read", loadOrderAddresses(), {L"add icon", L"switch on"}));

  // Every read names "StartUp" and passes the entry's default as text.
  ASSERT_EQ(rig.store.calls.size(), 50u);
  for (const SettingsCall& c : rig.store.calls) {
    EXPECT_EQ(c.application, L"StartUp");
    std::wstring expectedDefault;
    if (c.section == L"Reg") expectedDefault = c.key == L"13" ? L"2" : c.key == L"Enabled" ? L"1" : L"-1";
    if (c.section == L"EnableKeys") expectedDefault = L"0";
    EXPECT_EQ(c.text, expectedDefault) << asciiSummary(describe(c));
  }
}

TEST(RevertFlow_Sequence, HidesAndReadsOnlyAndReplacesEdits) {
  Rig rig;
  storeFull(rig.store);
  fillControls(rig.controls);
  rig.flows.revert();
  EXPECT_EQ(rig.log, expectedLog({L"hide"}, L"read", loadOrderAddresses(), {}));

  std::vector<std::wstring> stored;
  for (const Address& a : loadOrderAddresses()) stored.push_back(storedValue(a));
  EXPECT_EQ(snapshot(rig.controls), stored);
}

TEST(SaveOnOkFlow_Sequence, HidesWritesInOkOrderThenSwitchesOn) {
  Rig rig;
  fillControls(rig.controls);
  rig.flows.saveOnOk();
  const std::vector<Write> writes = writesChangingEveryRule(rig.controls, true);
  std::vector<std::wstring> expected = expectedLog({L"hide"}, L"read", rulePartAddresses(), {});
  for (const std::wstring& line : expectedLog({}, L"write", addressesOf(writes), {L"switch on"}))
    expected.push_back(line);
  EXPECT_EQ(rig.log, expected);

  std::vector<Write> written;
  for (const SettingsCall& c : rig.store.calls) {
    EXPECT_EQ(c.application, L"StartUp");
    if (c.kind == SettingsCall::Kind::Write) written.emplace_back(Address{c.section, c.key}, c.text);
  }
  EXPECT_EQ(written, writes);
}

TEST(UnloadFlow_Sequence, WritesInLoadOrderThenDeletesIconWithoutHiding) {
  Rig rig;
  fillControls(rig.controls);
  rig.flows.unload();
  std::vector<std::wstring> expected = expectedLog({}, L"read", rulePartAddresses(), {});
  for (const std::wstring& line : expectedLog(
           {}, L"write", addressesOf(writesChangingEveryRule(rig.controls, false)), {L"delete icon"}))
    expected.push_back(line);
  EXPECT_EQ(rig.log, expected);
}

TEST(SaveFlows_OkThenExit, WriteTheSameStoreInTwoOrders) {
  Rig rig;
  fillControls(rig.controls);
  rig.flows.saveOnOk();
  const std::vector<std::wstring> afterOk = [&] {
    std::vector<std::wstring> out;
    for (const Address& a : loadOrderAddresses()) out.push_back(rig.store.get(a.first, a.second).value_or(L"?"));
    return out;
  }();
  EXPECT_EQ(afterOk, snapshot(rig.controls));

  // No rule changes any more, so none is switched off: the plain orders.
  rig.store.calls.clear();
  rig.flows.saveOnOk();
  EXPECT_EQ(rig.addressesOf(SettingsCall::Kind::Write), okOrderAddresses());
  rig.store.calls.clear();
  rig.flows.unload();
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
      rig.controls.setText(TextField::Name, 9, L"typed meanwhile");
    }
  };
  rig.flows.saveOnOk();
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
  bool runningAfterLoad;
};

constexpr SwitchCase kSwitchCases[] = {
    {"stored 1 checks the box and its reaction starts the timer", L"1", false, true, true},
    {"absent reads as 1", nullptr, false, true, true},
    {"stored 0 equals the box: no reaction, timer stays stopped", L"0", false, false, false},
    {"stored 0 equals the box: no reaction, a running timer runs on", L"0", true, true, true},
    {"stored 2 grays the box and its reaction stops the timer", L"2", true, false, false},
    {"stored 2 grays the box; switch-on leaves a stopped timer", L"2", false, false, false},
};

void PrintTo(const SwitchCase& c, std::ostream* os) { *os << c.name; }

class LoadFlow_ScannerSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(LoadFlow_ScannerSwitch, ReactsAtTheAssignment) {
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
  rig.flows.load();

  EXPECT_EQ(runningWhenSwitchRead, c.timerRunningBefore) << "nothing reacts before the read";
  EXPECT_EQ(runningAtNextRead, c.runningAfterAssignment);
  EXPECT_EQ(intervalAtNextRead, 1000) << "the priority is applied before the switch";
  EXPECT_EQ(rig.timer.enabled(), c.runningAfterLoad);
}

INSTANTIATE_TEST_SUITE_P(StoredStates, LoadFlow_ScannerSwitch, ::testing::ValuesIn(kSwitchCases));

TEST(LoadFlow_Priority, ALevelTheSelectorAlreadyShowsSetsNoInterval) {
  Rig rig;
  rig.controls.setListIndex(PriorityCombo, 2);
  rig.timer.setInterval(12345);
  rig.flows.revert();  // the empty store gives 2
  EXPECT_EQ(rig.timer.interval(), 12345);

  rig.store.put(L"Reg", L"13", L"-1");
  rig.flows.revert();
  EXPECT_EQ(rig.controls.listIndex(PriorityCombo), -1);
  EXPECT_EQ(rig.timer.interval(), 12345) << "no level keeps the interval";
}

TEST(RevertFlow_AfterConfigure, UntouchedSwitchLeavesScanningStopped) {
  Rig rig;
  storeFull(rig.store);
  rig.flows.load();
  ASSERT_TRUE(rig.timer.enabled());
  rig.timing.switchOff();  // Configure
  rig.controls.setText(TextField::Key, 3, L"edited");

  rig.flows.revert();
  EXPECT_EQ(rig.controls.text(TextField::Key, 3), L"Software\\Stored dir 3");
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_FALSE(rig.timer.enabled());
}

TEST(RevertFlow_AfterConfigure, ClearedSwitchIsRestoredAndResumesScanning) {
  Rig rig;
  storeFull(rig.store);
  rig.flows.load();
  rig.timing.switchOff();  // Configure
  ProgramOptions(rig.controls, &rig.timing).setScannerState(CheckState::Unchecked);  // user click

  rig.flows.revert();
  EXPECT_EQ(rig.controls.checkValue(ScannerBox), CheckState::Checked);
  EXPECT_TRUE(rig.timer.enabled());
}

TEST(SaveOnOkFlow_Switch, UncheckedLeavesTimerStoppedCheckedStartsIt) {
  Rig rig;
  rig.controls.setCheckValue(ScannerBox, CheckState::Unchecked);
  rig.flows.saveOnOk();
  EXPECT_FALSE(rig.timer.enabled());
  EXPECT_EQ(rig.store.get(L"Reg", L"Enabled"), L"0");

  rig.controls.setCheckValue(ScannerBox, CheckState::Checked);
  rig.flows.saveOnOk();
  EXPECT_TRUE(rig.timer.enabled());
}

TEST(Flows_GrayedState, ReadAndWrittenAsTwo) {
  Rig rig;
  rig.store.put(L"EnableKeys", L"3", L"2");
  rig.store.put(L"Reg", L"Enabled", L"2");
  rig.store.put(L"keydirs", L"3", L"K");
  rig.flows.load();
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
    rig.controls.setText(TextField::Key, slot, t);
    rig.controls.setText(TextField::Name, slot, t + L" ");
    ++slot;
  }
  rig.flows.unload();

  Rig fresh;
  for (const Address& a : loadOrderAddresses()) {
    ASSERT_TRUE(rig.store.get(a.first, a.second).has_value());
    fresh.store.put(a.first, a.second, *rig.store.get(a.first, a.second));
  }
  fresh.flows.load();
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
    {"priority beyond Very High", L"Reg", L"13", L"5", SettingsFailureKind::Refused,
     L"a whole number from -1 to 4"},
    {"switch beyond Grayed", L"Reg", L"Enabled", L"3", SettingsFailureKind::Refused,
     L"a whole number from 0 to 2"},
    {"enable state negative", L"EnableKeys", L"12", L"-1", SettingsFailureKind::Refused,
     L"a whole number from 0 to 2"},
    {"existing empty integer is not its default", L"EnableKeys", L"1", L"",
     SettingsFailureKind::NotANumber, L"a whole number from 0 to 2"},
    {"beyond 16 bits", L"Reg", L"13", L"32768", SettingsFailureKind::NotANumber,
     L"a whole number from -1 to 4"},
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
    rig.flows.load();
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
  EXPECT_EQ(rig.log.front(), L"hide");
  EXPECT_NE(rig.log.back(), L"switch on");
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), L"add icon"), 0);

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
    rig.flows.revert();
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    EXPECT_EQ(failure.kind(), SettingsFailureKind::UnreadableValue);
    EXPECT_EQ(failure.details().key, L"4");
    EXPECT_EQ(failure.details().reason, L"a value of type REG_BINARY");
  }
  EXPECT_EQ(rig.controls.text(TextField::Key, 3), L"");
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
    c.onOk ? rig.flows.saveOnOk() : rig.flows.unload();
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    EXPECT_EQ(failure.kind(), SettingsFailureKind::WriteFailed);
    EXPECT_FALSE(failure.duringRead());
    EXPECT_EQ(failure.details().section, c.section);
    EXPECT_EQ(failure.details().key, c.key);
    EXPECT_EQ(failure.details().reason, L"Access is denied.");
  }

  EXPECT_EQ(snapshot(rig.controls), controlsBefore);
  EXPECT_FALSE(rig.timer.enabled()) << "no switch-on after a failed save";
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), L"switch on"), 0);
  EXPECT_EQ(std::count(rig.log.begin(), rig.log.end(), L"delete icon"), 0);

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

}  // namespace
}  // namespace vorlix
