#include "ui/rule_tip.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <set>
#include <string>

#include "platform/memory/memory_settings_store.h"
#include "platform/memory/memory_window.h"
#include "platform/memory/recording_deleter.h"
#include "ui/control_names.h"
#include "ui/layout.h"
#include "ui/program.h"

namespace vorlix::ui {
namespace {

using Kind = DeletionOutcome::Kind;

constexpr LocalTime kNow{2026, 12, 7, 15, 4, 5};
constexpr LocalTime kToday{2026, 12, 7, 14, 2, 31};
constexpr LocalTime kYesterday{2026, 12, 6, 9, 0, 0};

const std::wstring kValuePath = L"HKEY_CURRENT_USER\\Software\\Acme\\Run";
const std::wstring kValueLine = L"Rule 3 deletes the value \"Run\" in the key HKEY_CURRENT_USER\\Software\\Acme.";

RuleRecord tried(std::uint64_t tries, std::uint64_t deletions, DeletionOutcome last,
                 std::wstring path = kValuePath) {
  RuleRecord r;
  r.tries = tries;
  r.deletions = deletions;
  r.lastOutcome = last;
  r.lastPath = std::move(path);
  return r;
}

RuleRecord untried() { return {}; }

struct TipCase {
  const char* what;
  CheckState enable;
  std::wstring path;
  RuleRecord record;
  LocalTime lastDeletion;
  std::wstring expected;

  friend void PrintTo(const TipCase& c, std::ostream* os) { *os << c.what; }
};

const std::vector<TipCase>& tipCases() {
  static const std::vector<TipCase> cases = {
      {"deleted many times, last today", CheckState::Checked, kValuePath,
       tried(20, 17, DeletionOutcome::of(Kind::Deleted)), kToday,
       kValueLine + L"\nFull path: " + kValuePath +
           L"\nDeleted 17 times in 20 scans since Vorlix started, last at 14:02:31."
           L"\nLast scan: deleted."},
      {"deleted once, on another day, nothing there since", CheckState::Checked, kValuePath,
       tried(3, 1, DeletionOutcome::of(Kind::NotThere)), kYesterday,
       kValueLine + L"\nFull path: " + kValuePath +
           L"\nDeleted once in 3 scans since Vorlix started, on 2026-12-06 at 09:00:00."
           L"\nLast scan: nothing to delete (the value is not there)."},
      {"a key that is not there", CheckState::Checked, L"HKEY_CURRENT_USER\\Software\\Acme\\",
       tried(1, 0, DeletionOutcome::of(Kind::NotThere), L"HKEY_CURRENT_USER\\Software\\Acme\\"), {},
       L"Rule 3 deletes the key HKEY_CURRENT_USER\\Software\\Acme with its values, as long as it has no "
       L"subkeys.\nFull path: HKEY_CURRENT_USER\\Software\\Acme\\"
       L"\nNot deleted in 1 scan since Vorlix started."
       L"\nLast scan: nothing to delete (the key is not there)."},
      {"a key with subkeys", CheckState::Checked, L"HKEY_CURRENT_USER\\Software\\",
       tried(2, 0, DeletionOutcome::of(Kind::HasSubkeys), L"HKEY_CURRENT_USER\\Software\\"), {},
       L"Rule 3 deletes the key HKEY_CURRENT_USER\\Software with its values, as long as it has no "
       L"subkeys.\nFull path: HKEY_CURRENT_USER\\Software\\"
       L"\nNot deleted in 2 scans since Vorlix started."
       L"\nLast scan: not deleted: the key has subkeys, and Vorlix never deletes a tree."},
      {"access denied under HKEY_LOCAL_MACHINE", CheckState::Checked, L"HKEY_LOCAL_MACHINE\\Software\\V",
       tried(4, 0, DeletionOutcome::of(Kind::AccessDenied), L"HKEY_LOCAL_MACHINE\\Software\\V"), {},
       L"Rule 3 deletes the value \"V\" in the key HKEY_LOCAL_MACHINE\\Software."
       L"\nFull path: HKEY_LOCAL_MACHINE\\Software\\V"
       L"\nNot deleted in 4 scans since Vorlix started."
       L"\nLast scan: not deleted: access denied (entries under HKEY_LOCAL_MACHINE need the rights "
       L"to change them)."},
      {"access denied elsewhere", CheckState::Checked, kValuePath,
       tried(1, 0, DeletionOutcome::of(Kind::AccessDenied)), {},
       kValueLine + L"\nFull path: " + kValuePath + L"\nNot deleted in 1 scan since Vorlix started."
           L"\nLast scan: not deleted: access denied (the entry's permissions do not let Vorlix change it)."},
      {"another failure, with its code", CheckState::Checked, kValuePath,
       tried(1, 0, DeletionOutcome::failed(1018)), {},
       kValueLine + L"\nFull path: " + kValuePath + L"\nNot deleted in 1 scan since Vorlix started."
           L"\nLast scan: not deleted: the registry answered with error 1018."},
      {"no hive chosen", CheckState::Checked, L"\\Software\\Acme\\Run",
       tried(5, 0, DeletionOutcome::namesNothing(PathFault::NoHive), L"\\Software\\Acme\\Run"), {},
       L"Rule 3 names nothing: choose a hive.\nFull path: \\Software\\Acme\\Run"
       L"\nNot deleted in 5 scans since Vorlix started.\nLast scan: names nothing: choose a hive."},
      {"a key path led by a backslash, never tried", CheckState::Checked,
       L"HKEY_CURRENT_USER\\\\Software\\Run", untried(), {},
       L"Rule 3 names nothing: the key path starts with a backslash."
       L"\nFull path: HKEY_CURRENT_USER\\\\Software\\Run\nNo scan has tried it since Vorlix started."},
      {"the hive alone", CheckState::Checked, L"HKEY_USERS\\\\", untried(), {},
       L"Rule 3 names nothing: type a key path or a value name (a hive itself is never deleted)."
       L"\nFull path: HKEY_USERS\\\\\nNo scan has tried it since Vorlix started."},
      {"a value directly in the hive, not enabled", CheckState::Unchecked, L"HKEY_CURRENT_USER\\\\Run",
       untried(), {},
       L"Rule 3 deletes the value \"Run\" directly in HKEY_CURRENT_USER."
       L"\nFull path: HKEY_CURRENT_USER\\\\Run\nNot enabled: the scans leave this rule alone."
       L"\nNo scan has tried it since Vorlix started."},
      {"greyed after some deletions", CheckState::Grayed, kValuePath,
       tried(2, 2, DeletionOutcome::of(Kind::Deleted)), kToday,
       kValueLine + L"\nFull path: " + kValuePath + L"\nNot enabled: a greyed box counts as off."
           L"\nDeleted 2 times in 2 scans since Vorlix started, last at 14:02:31.\nLast scan: deleted."},
      {"edited since the last scan: it names the new entry, the outcome is the old one's",
       CheckState::Checked, L"HKEY_CURRENT_USER\\Software\\Acme\\",
       tried(1, 0, DeletionOutcome::of(Kind::NotThere)), {},
       L"Rule 3 deletes the key HKEY_CURRENT_USER\\Software\\Acme with its values, as long as it has no "
       L"subkeys.\nFull path: HKEY_CURRENT_USER\\Software\\Acme\\"
       L"\nNot deleted in 1 scan since Vorlix started."
       L"\nLast scan, before an edit (HKEY_CURRENT_USER\\Software\\Acme\\Run): nothing to delete (the "
       L"value is not there)."},
      {"empty parts of the key path are told as skipped", CheckState::Checked,
       L"HKEY_CURRENT_USER\\Software\\\\Acme\\\\Run", untried(), {},
       L"Rule 3 deletes the value \"Run\" in the key HKEY_CURRENT_USER\\Software\\Acme."
       L"\nFull path: HKEY_CURRENT_USER\\Software\\\\Acme\\\\Run"
       L"\nNo scan has tried it since Vorlix started."},
  };
  return cases;
}

class RuleTipText : public ::testing::TestWithParam<TipCase> {};

TEST_P(RuleTipText, SaysWhatTheRuleNamesAndHowItFared) {
  const TipCase& c = GetParam();
  EXPECT_EQ(ruleTipText({3, c.enable, c.path, c.record, kNow, c.lastDeletion}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleTipText, ::testing::ValuesIn(tipCases()));

TEST(RuleRowOf, EveryControlOfRowNIsInRowNAndNoOtherControlIsInAny) {
  int rowControls = 0;
  for (const PlacedControl& c : layoutControls()) {
    const int row = ruleRowOf(c.id);
    if (c.containerId == ids::Frame2) {
      ++rowControls;
      const std::wstring name = c.name;
      const std::wstring number = name.substr(name.find_first_of(L"0123456789"));
      // Combo7, key7, name7, Check7; the labels by their row's caption.
      if (!name.starts_with(L"Label")) {
        EXPECT_EQ(std::to_wstring(row), number);
      }
      EXPECT_GE(row, 1);
    } else {
      EXPECT_EQ(row, 0) << c.id;
    }
  }
  EXPECT_EQ(rowControls, 7 * SlotCount);
  EXPECT_EQ(ruleRowOf(ids::row(4, ids::RowPart::NumberLabel)), 4);
  EXPECT_EQ(ruleRowOf(ids::row(4, ids::RowPart::Check) + 1), 0);
}

TEST(AccessibleName, EveryControlHasItsOwnAndARowsControlsNameTheirRow) {
  std::set<std::wstring> seen;
  for (const PlacedControl& c : layoutControls()) {
    const std::wstring name = accessibleName(c);
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(seen.insert(name).second) << "named twice";
    if (const int row = ruleRowOf(c.id); row != 0) {
      const std::wstring rule = L"Rule " + std::to_wstring(row);
      EXPECT_TRUE(name == rule || name.starts_with(rule + L" "));
    }
  }
  const std::pair<int, const wchar_t*> some[] = {
      {ids::row(3, ids::RowPart::Combo), L"Rule 3 hive"},
      {ids::row(3, ids::RowPart::Key), L"Rule 3 key path"},
      {ids::row(3, ids::RowPart::Name), L"Rule 3 value name"},
      {ids::row(3, ids::RowPart::Check), L"Rule 3 enabled"},
      {ids::row(12, ids::RowPart::NumberLabel), L"Rule 12"},
      {ids::scanenabled, L"Scanner enabled"},
      {ids::Combo13, L"Priority"},
  };
  for (const auto& [id, expected] : some) {
    PlacedControl c;
    c.id = id;
    EXPECT_EQ(accessibleName(c), expected);
  }
}

// The program's side: the tip reads the row as it is and the records of the
// scans that the timer ran.
TEST(Program_RuleTip, TellsTheRowsFieldsNowAndTheOutcomesOfTheTimersScans) {
  MemoryWindow window;
  MemorySettingsStore store;
  RecordingDeleter deleter;
  struct NoPrompts final : UserPrompts {
    void reportError(std::wstring_view) override {}
    bool askRetry(std::wstring_view) override { return false; }
    void bringToFront() override {}
  } prompts;
  store.put(L"Reg", L"13", L"4");
  store.put(L"Reg", L"2", L"1");
  store.put(L"EnableKeys", L"2", L"1");
  store.put(L"keydirs", L"2", L"Software\\Acme");
  store.put(L"keynames", L"2", L"Run");
  Program program(window, store, deleter, prompts);
  window.setEvents(&program);
  program.start();
  deleter.answer = [](std::wstring_view) { return DeletionOutcome::of(Kind::NotThere); };
  ASSERT_EQ(window.timerMemory.advance(2000), 2);

  const std::wstring tip = program.describeRule(2);
  EXPECT_NE(tip.find(L"Rule 2 deletes the value \"Run\" in the key HKEY_CURRENT_USER\\Software\\Acme."),
            std::wstring::npos) << std::string(tip.begin(), tip.end());
  EXPECT_NE(tip.find(L"\nNot deleted in 2 scans since Vorlix started.\nLast scan: nothing to delete"),
            std::wstring::npos);
  EXPECT_EQ(program.records()[2].tries, 2u);
  EXPECT_EQ(program.records()[1].tries, 0u);

  // Typing into the row changes what the tip says the rule names at once.
  window.controlsMemory.setText(TextField::Key, 2, L"\\Software\\Acme");
  EXPECT_EQ(program.describeRule(2).find(L"Rule 2 names nothing: the key path starts with a backslash."),
            0u);
}

}  // namespace
}  // namespace vorlix::ui
