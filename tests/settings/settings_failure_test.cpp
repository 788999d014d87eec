#include "settings/settings_failure.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_controls.h"
#include "platform/memory/memory_settings_store.h"
#include "settings/configuration_io.h"

namespace vorlix {
namespace {

// The failure a load raises for one stored value, as the program would see it.
SettingsFailure loadFailure(MemorySettingsStore& store) {
  MemoryControls controls;
  ProgramOptions options(controls);
  try {
    readConfiguration(store, RuleTable(controls), options);
  } catch (const SettingsFailure& failure) {
    return failure;
  }
  throw std::logic_error("the load did not fail");
}

bool contains(const std::wstring& text, const std::wstring& part) {
  return text.find(part) != std::wstring::npos;
}

TEST(SettingsFailureMessage, NamesTheEntryItsValueWhatItMustBeAndWhere) {
  MemorySettingsStore store;
  store.put(L"Reg", L"7", L"9");
  const std::wstring message = describeSettingsFailure(loadFailure(store));
  EXPECT_TRUE(contains(message, L"cannot load")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"\"Reg\" \"7\" holds \"9\"")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"a whole number from -1 to 4")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"memory:StartUp\\Reg, value \"7\"")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"default (-1)")) << asciiSummary(message);
}

TEST(SettingsFailureMessage, SaysSoForAnEmptyValue) {
  MemorySettingsStore store;
  store.put(L"Reg", L"Enabled", L"");
  const std::wstring message = describeSettingsFailure(loadFailure(store));
  EXPECT_TRUE(contains(message, L"\"Reg\" \"Enabled\" is empty")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"from 0 to 2")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"default (1)")) << asciiSummary(message);
}

TEST(SettingsFailureMessage, CutsLongValuesAndShowsControlCharacters) {
  MemorySettingsStore store;
  store.put(L"EnableKeys", L"2", L"1\n" + std::wstring(100000, L'7'));
  const std::wstring message = describeSettingsFailure(loadFailure(store));
  EXPECT_LT(message.size(), 1000u);
  EXPECT_TRUE(contains(message, L"\"1[U+000A]777")) << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"100002 characters")) << asciiSummary(message);
  EXPECT_EQ(message.find(L'\n', message.find(L"holds")), message.find(L"\n\nIt is stored"));
}

TEST(SettingsFailureMessage, NamesTheTypeOfANonTextValue) {
  MemorySettingsStore store;
  store.putUnreadable(L"Reg", L"13", L"a value of type REG_DWORD");
  const std::wstring message = describeSettingsFailure(loadFailure(store));
  EXPECT_TRUE(contains(message, L"holds a value of type REG_DWORD instead of text"))
      << asciiSummary(message);
  EXPECT_TRUE(contains(message, L"text holding a whole number from -1 to 5"))
      << asciiSummary(message);
}

TEST(SettingsFailureMessage, AFailedWriteGivesTheReasonAndNoCorrectionAdvice) {
  MemorySettingsStore store;
  store.failWritesTo(L"keydirs", L"5", L"RegSetValueExW: Access is denied.");
  MemoryControls controls;
  try {
    writeConfiguration(store, RuleTable(controls), ProgramOptions(controls), loadOrder());
    FAIL() << "no failure";
  } catch (const SettingsFailure& failure) {
    const std::wstring message = describeSettingsFailure(failure);
    EXPECT_TRUE(contains(message, L"cannot save")) << asciiSummary(message);
    EXPECT_TRUE(contains(message, L"\"keydirs\" \"5\" could not be written")) << asciiSummary(message);
    EXPECT_TRUE(contains(message, L"Reason: RegSetValueExW: Access is denied.")) << asciiSummary(message);
    EXPECT_FALSE(contains(message, L"delete it")) << asciiSummary(message);
    EXPECT_STREQ(failure.what(), "settings: cannot write \"keydirs\" \"5\"");
  }
}

}  // namespace
}  // namespace vorlix
