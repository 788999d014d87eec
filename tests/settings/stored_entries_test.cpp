#include "settings/stored_entries.h"

#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vorlix {
namespace {

using Address = std::pair<std::wstring, std::wstring>;

void appendSlots(std::vector<Address>& out, const wchar_t* section) {
  for (const wchar_t* key : {L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12"})
    out.emplace_back(section, key);
}

std::vector<Address> addresses(const EntryOrder& order) {
  std::vector<Address> out;
  for (const SettingsEntry& e : order) out.emplace_back(std::wstring(e.section()), e.key());
  return out;
}

TEST(SettingsLayout_LoadOrder, RowsTopToBottomSlotOneFirst) {
  std::vector<Address> expected;
  appendSlots(expected, L"Reg");
  expected.emplace_back(L"Reg", L"13");
  expected.emplace_back(L"Reg", L"Enabled");
  appendSlots(expected, L"EnableKeys");
  appendSlots(expected, L"keydirs");
  appendSlots(expected, L"keynames");
  EXPECT_EQ(addresses(loadOrder()), expected);
}

TEST(SettingsLayout_OkOrder, ScannerSwitchMovesBehindTheKeyPaths) {
  std::vector<Address> expected;
  appendSlots(expected, L"Reg");
  expected.emplace_back(L"Reg", L"13");
  appendSlots(expected, L"EnableKeys");
  appendSlots(expected, L"keydirs");
  expected.emplace_back(L"Reg", L"Enabled");
  appendSlots(expected, L"keynames");
  EXPECT_EQ(addresses(okOrder()), expected);
}

TEST(SettingsLayout_Orders, CoverTheSame50DistinctEntries) {
  const auto load = addresses(loadOrder());
  const auto ok = addresses(okOrder());
  EXPECT_EQ(load.size(), SettingsEntryCount);
  EXPECT_EQ(std::set<Address>(load.begin(), load.end()).size(), SettingsEntryCount);
  EXPECT_EQ(std::set<Address>(load.begin(), load.end()), std::set<Address>(ok.begin(), ok.end()));
}

struct EntryCase {
  const wchar_t* section;
  const wchar_t* key;
  EntryKind kind;
  const wchar_t* defaultText;
  std::int16_t lowestAccepted;
  std::int16_t highestAccepted;
};

constexpr EntryCase kEntries[] = {
    {L"Reg", L"1", EntryKind::Integer, L"-1", -1, 4},
    {L"Reg", L"12", EntryKind::Integer, L"-1", -1, 4},
    {L"Reg", L"13", EntryKind::Integer, L"2", -1, 5},
    {L"Reg", L"Enabled", EntryKind::Integer, L"1", 0, 2},
    {L"EnableKeys", L"1", EntryKind::Integer, L"0", 0, 2},
    {L"EnableKeys", L"12", EntryKind::Integer, L"0", 0, 2},
    {L"keydirs", L"7", EntryKind::Text, L"", 0, 0},
    {L"keynames", L"12", EntryKind::Text, L"", 0, 0},
};

TEST(SettingsLayout_Entries, KindDefaultAndAcceptedRange) {
  const EntryOrder order = loadOrder();
  for (const EntryCase& c : kEntries) {
    SCOPED_TRACE(asciiSummary(c.section) + " " + asciiSummary(c.key));
    const SettingsEntry* found = nullptr;
    for (const SettingsEntry& e : order)
      if (e.section() == c.section && e.key() == c.key) found = &e;
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->kind(), c.kind);
    EXPECT_EQ(found->defaultText(), c.defaultText);
    if (c.kind == EntryKind::Integer) {
      EXPECT_TRUE(found->accepts(c.lowestAccepted));
      EXPECT_TRUE(found->accepts(c.highestAccepted));
      EXPECT_FALSE(found->accepts(static_cast<std::int16_t>(c.lowestAccepted - 1)));
      EXPECT_FALSE(found->accepts(static_cast<std::int16_t>(c.highestAccepted + 1)));
    }
  }
}

TEST(IntegerConversion_Writer, PlainDecimalWithMinusOnly) {
  EXPECT_EQ(formatInteger(-1), L"-1");
  EXPECT_EQ(formatInteger(0), L"0");
  EXPECT_EQ(formatInteger(4), L"4");
  EXPECT_EQ(formatInteger(-32768), L"-32768");
  EXPECT_EQ(formatInteger(32767), L"32767");
}

TEST(IntegerConversion_RoundTrip, EveryValueReadsBackAsWritten) {
  for (int v = -32768; v <= 32767; ++v) {
    const auto value = static_cast<std::int16_t>(v);
    ASSERT_EQ(parseInteger(formatInteger(value)), value) << v;
  }
}

struct ParseCase {
  const wchar_t* text;
  std::optional<std::int16_t> expected;
};

const ParseCase kParseCases[] = {
    // The writer's own forms.
    {L"-1", -1}, {L"0", 0}, {L"2", 2}, {L"32767", 32767}, {L"-32768", -32768},
    // Other unambiguous decimal forms that hand-edited stores may hold.
    {L" 4", 4}, {L"4 ", 4}, {L"\t-1\t", -1}, {L"+3", 3}, {L" +3 ", 3},
    {L"007", 7}, {L"-0", 0}, {L"+0", 0}, {L"000000000000000000000001", 1},
    // Not a number.
    {L"", std::nullopt}, {L" ", std::nullopt}, {L"-", std::nullopt}, {L"+", std::nullopt},
    {L"+-1", std::nullopt}, {L"--1", std::nullopt}, {L"- 1", std::nullopt},
    {L"1 2", std::nullopt}, {L"1.0", std::nullopt}, {L"1.5", std::nullopt}, {L".5", std::nullopt},
    {L"1e2", std::nullopt}, {L"0x7", std::nullopt}, {L"&H7", std::nullopt}, {L"7h", std::nullopt},
    {L"1,000", std::nullopt}, {L"abc", std::nullopt}, {L"4\n", std::nullopt},
    {L"\u0664", std::nullopt},  // ARABIC-INDIC DIGIT FOUR
    {L"\uFF14", std::nullopt},  // FULLWIDTH DIGIT FOUR
    {L"\u00A04", std::nullopt}, // no-break space is not a blank here
    // Outside the 16-bit range, however many digits.
    {L"32768", std::nullopt}, {L"-32769", std::nullopt}, {L"65535", std::nullopt},
    {L"99999999999999999999999999", std::nullopt}, {L"-99999999999999999999", std::nullopt},
};

TEST(IntegerConversion_Reader, AcceptsDecimalFormsRefusesTheRest) {
  for (const ParseCase& c : kParseCases) {
    EXPECT_EQ(parseInteger(c.text), c.expected) << "text \"" << asciiSummary(c.text) << "\"";
  }
}

}  // namespace
}  // namespace vorlix
