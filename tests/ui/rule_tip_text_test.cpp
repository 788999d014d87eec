#include "ui/rule_tip_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/text.h"

namespace vorlix::ui {
namespace {

using Kind = DeletionOutcome::Kind;

constexpr LocalTime kNow{2026, 12, 7, 15, 4, 5};
const std::wstring kRun = L"HKEY_CURRENT_USER\\Software\\Acme\\Run";

RuleRecord tried(std::uint64_t tries, std::uint64_t deletions, DeletionOutcome last, std::wstring path = kRun) {
  return {tries, deletions, {}, last, std::move(path)};
}

// One row's facts and the lines of its tip that tell them apart.
struct TipCase {
  CheckState enable;
  std::wstring path;
  RuleRecord record;
  LocalTime lastDeletion;
  std::wstring expected;  // the tip, or after "..." how it ends

  friend void PrintTo(const TipCase& c, std::ostream* os) { *os << asciiSummary(c.expected); }
};

const std::vector<TipCase>& tipCases() {
  const auto on = CheckState::Checked;
  static const std::vector<TipCase> cases = {
      {on, kRun, tried(20, 17, DeletionOutcome::of(Kind::Deleted)), {2026, 12, 7, 14, 2, 31},
       L"Rule 3 deletes the value \"Run\" in the key HKEY_CURRENT_USER\\Software\\Acme.\nFull path: " + kRun +
           L"\nDeleted 17 times in 20 scans since Vorlix started, last at 14:02:31.\nLast scan: deleted."},
      {CheckState::Grayed, kRun, tried(3, 1, DeletionOutcome::of(Kind::NotThere)), {2026, 12, 6, 9, 0, 0},
       L"...\nNot enabled: a greyed box counts as off.\nDeleted once in 3 scans since Vorlix started, on "
       L"2026-12-06 at 09:00:00.\nLast scan: nothing to delete (the value is not there)."},
      {on, L"HKEY_CURRENT_USER\\Software\\\\", tried(1, 0, DeletionOutcome::of(Kind::HasSubkeys), L"HKEY_CURRENT_USER\\Software\\\\"), {},
       L"Rule 3 deletes the key HKEY_CURRENT_USER\\Software with its values, as long as it has no subkeys."
       L"\nFull path: HKEY_CURRENT_USER\\Software\\\\\nNot deleted in 1 scan since Vorlix started."
       L"\nLast scan: not deleted: the key has subkeys, and Vorlix never deletes a tree."},
      {on, L"HKEY_LOCAL_MACHINE\\K\\V", tried(2, 0, DeletionOutcome::of(Kind::AccessDenied), L"HKEY_LOCAL_MACHINE\\K\\V"), {},
       L"...\nNot deleted in 2 scans since Vorlix started.\nLast scan: not deleted: access denied (entries "
       L"under HKEY_LOCAL_MACHINE need the rights to change them)."},
      {on, kRun, tried(1, 0, DeletionOutcome::of(Kind::AccessDenied)), {},
       L"...\nLast scan: not deleted: access denied (the entry's permissions do not let Vorlix change it)."},
      {on, kRun, tried(1, 0, DeletionOutcome::failed(1018)), {},
       L"...\nLast scan: not deleted: the registry answered with error 1018."},
      {on, L"\\K\\V", tried(5, 0, DeletionOutcome::namesNothing(PathFault::NoHive), L"\\K\\V"), {},
       L"Rule 3 names nothing: choose a hive.\nFull path: \\K\\V\nNot deleted in 5 scans since Vorlix started."
       L"\nLast scan: names nothing: choose a hive."},
      {on, L"HKEY_USERS\\\\", RuleRecord{}, {},
       L"Rule 3 names nothing: type a key path or a value name (a hive itself is never deleted)."
       L"\nFull path: HKEY_USERS\\\\\nNo scan has tried it since Vorlix started."},
      {CheckState::Unchecked, L"HKEY_CURRENT_USER\\\\Run", RuleRecord{}, {},
       L"Rule 3 deletes the value \"Run\" directly in HKEY_CURRENT_USER.\nFull path: HKEY_CURRENT_USER\\\\Run"
       L"\nNot enabled: the scans leave this rule alone.\nNo scan has tried it since Vorlix started."},
      // Edited since the last scan: the new entry is told, the old outcome with its path.
      {on, L"HKEY_CURRENT_USER\\\\Software\\Acme\\", tried(1, 0, DeletionOutcome::of(Kind::NotThere)), {},
       L"Rule 3 names nothing: the key path starts with a backslash.\nFull path: "
       L"HKEY_CURRENT_USER\\\\Software\\Acme\\\nNot deleted in 1 scan since Vorlix started.\nLast scan, "
       L"before an edit (" + kRun + L"): nothing to delete (the value is not there)."},
  };
  return cases;
}

class RuleTipText : public ::testing::TestWithParam<TipCase> {};

TEST_P(RuleTipText, SaysWhatTheRuleNamesAndHowItFared) {
  const TipCase& c = GetParam();
  const std::wstring tip = ruleTipText({3, c.enable, c.path, c.record, kNow, c.lastDeletion});
  if (!c.expected.starts_with(L"...")) {
    EXPECT_EQ(tip, c.expected);
  } else {
    EXPECT_TRUE(tip.ends_with(c.expected.substr(3))) << asciiSummary(tip);
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleTipText, ::testing::ValuesIn(tipCases()));

// A character that would act rather than show, inside a key path, and how
// the tip spells it; characters that merely show stay as they are.
struct InvisibleCase {
  std::wstring inKey;
  std::wstring shown;
};
const InvisibleCase kInvisible[] = {
    {L"Run\x202Egpj.exe", L"Run[U+202E]gpj.exe"},  // right-to-left override
    {L"Ac\x200Bme", L"Ac[U+200B]me"},               // zero-width space
    {L"\x200C\x200D\x200E\x200F", L"[U+200C][U+200D][U+200E][U+200F]"},
    {L"\x202A\x202B\x202C\x202D", L"[U+202A][U+202B][U+202C][U+202D]"},
    {L"\x2066\x2067\x2068\x2069", L"[U+2066][U+2067][U+2068][U+2069]"},
    {L"\x2060\x2064\xFEFF\x061C\x180E\x00AD", L"[U+2060][U+2064][U+FEFF][U+061C][U+180E][U+00AD]"},
    {L"\xFFF9\xFFFB\x2028\x2029\x0085\x001B", L"[U+FFF9][U+FFFB][U+2028][U+2029][U+0085][U+001B]"},
    {L"\xD800x", L"[U+D800]x"},  // a surrogate without its pair
    {L"日本\x0301é", L"日本\x0301é"},
};

TEST(RuleTipText, ShowsFormatAndControlCharactersOfAPathAsTheirCodes) {
  // Tag characters lie beyond the 16-bit plane: a pair in UTF-16.
  std::wstring tags = L"A", tagsShown = L"A[U+E0001][U+E0041][U+E007F]";
  for (const char32_t tag : {U'\U000E0001', U'\U000E0041', U'\U000E007F'}) {
    if constexpr (sizeof(wchar_t) == 2) {
      tags += static_cast<wchar_t>(0xD800 + ((tag - 0x10000) >> 10));
      tags += static_cast<wchar_t>(0xDC00 + ((tag - 0x10000) & 0x3FF));
    } else {
      tags += static_cast<wchar_t>(tag);
    }
  }
  std::vector<InvisibleCase> cases(std::begin(kInvisible), std::end(kInvisible));
  cases.push_back({tags, tagsShown});
  for (const InvisibleCase& c : cases) {
    SCOPED_TRACE(asciiSummary(c.shown));
    const std::wstring path = L"HKEY_CURRENT_USER\\Software\\" + c.inKey + L"\\V";
    const std::wstring tip = ruleTipText({3, CheckState::Checked, path, RuleRecord{}, kNow, {}});
    EXPECT_EQ(tip, L"Rule 3 deletes the value \"V\" in the key HKEY_CURRENT_USER\\Software\\" + c.shown +
                       L".\nFull path: HKEY_CURRENT_USER\\Software\\" + c.shown +
                       L"\\V\nNo scan has tried it since Vorlix started.");
  }
}

}  // namespace
}  // namespace vorlix::ui
