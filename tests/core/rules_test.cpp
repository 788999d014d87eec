#include "core/rules.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/memory/memory_controls.h"

namespace vorlix {
namespace {

struct PathCase {
  const char* shape;
  std::int16_t hive;
  const wchar_t* key;
  const wchar_t* value;
  const wchar_t* expected;
};

constexpr PathCase kPathShapes[] = {
    {"hive key value", 1, L"Software\\Acme", L"Run", L"HKEY_CURRENT_USER\\Software\\Acme\\Run"},
    {"empty value ends in a backslash", 2, L"Software\\Acme", L"", L"HKEY_LOCAL_MACHINE\\Software\\Acme\\"},
    {"empty key doubles the separator", 0, L"", L"V", L"HKEY_CLASSES_ROOT\\\\V"},
    {"hive alone", 3, L"", L"", L"HKEY_USERS\\\\"},
    {"no hive begins with a backslash", -1, L"K", L"V", L"\\K\\V"},
    {"nothing at all", -1, L"", L"", L"\\\\"},
    {"key ending in a backslash doubles it", 4, L"K\\", L"V", L"HKEY_CURRENT_CONFIG\\K\\\\V"},
    {"blanks and leading backslash kept", 1, L" \\Soft ware\\ ", L" v ", L"HKEY_CURRENT_USER\\ \\Soft ware\\ \\ v "},
    {"non-ASCII kept", 1, L"Software\\Ünïcødé", L"日本", L"HKEY_CURRENT_USER\\Software\\Ünïcødé\\日本"},
};

class FullPathShapes : public ::testing::TestWithParam<PathCase> {};

TEST_P(FullPathShapes, SlotComposesPathVerbatim) {
  const PathCase& c = GetParam();
  MemoryControls controls;
  RuleTable table(controls);
  RuleSlot slot = table.slot(7);
  slot.setHiveIndex(c.hive);
  slot.setKeyPath(c.key);
  slot.setValueName(c.value);
  EXPECT_EQ(slot.fullPath(), c.expected) << c.shape;
}

INSTANTIATE_TEST_SUITE_P(AllShapes, FullPathShapes, ::testing::ValuesIn(kPathShapes));

TEST(RuleSlot_HiveText, IsTheHiveListNameOrEmptyWithoutSelection) {
  MemoryControls controls;
  RuleSlot slot = RuleTable(controls).slot(1);
  EXPECT_EQ(slot.hiveText(), L"");
  const wchar_t* expected[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE",
                               L"HKEY_USERS", L"HKEY_CURRENT_CONFIG"};
  for (std::int16_t i = 0; i < 5; ++i) {
    slot.setHiveIndex(i);
    EXPECT_EQ(slot.hiveText(), expected[i]);
  }
}

TEST(RuleSlot_IsActive, OnlyCheckedCounts) {
  MemoryControls controls;
  RuleSlot slot = RuleTable(controls).slot(12);
  EXPECT_FALSE(slot.isActive());
  slot.setEnableState(CheckState::Checked);
  EXPECT_TRUE(slot.isActive());
  slot.setEnableState(CheckState::Grayed);
  EXPECT_FALSE(slot.isActive());
}

TEST(RuleTable_View, SlotsReadTheControlsLiveAndInOrder) {
  MemoryControls controls;
  RuleTable table(controls);
  // An edit made directly in the controls is what the table shows next.
  controls.setText(TextField::KeyPath, 5, L"edited");
  controls.setCheckValue(5, CheckState::Checked);
  EXPECT_EQ(table.slot(5).keyPath(), L"edited");
  EXPECT_TRUE(table.slot(5).isActive());
  // Slot N is bound to Check N, Combo N, key N and name N, not to a neighbour.
  table.slot(9).setValueName(L"nine");
  table.slot(9).setHiveIndex(3);
  EXPECT_EQ(controls.text(TextField::ValueName, 9), L"nine");
  EXPECT_EQ(controls.listIndex(9), 3);
  EXPECT_EQ(controls.text(TextField::ValueName, 8), L"");

  std::vector<int> order;
  for (const RuleSlot slot : table) order.push_back(slot.number());
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(RuleTable_View, RefusesSlotsAndValuesOutsideTheTable) {
  MemoryControls controls;
  RuleTable table(controls);
  EXPECT_THROW(table.slot(0), std::out_of_range);
  EXPECT_THROW(table.slot(13), std::out_of_range);
  EXPECT_THROW(table.slot(1).setHiveIndex(5), std::out_of_range);
  EXPECT_THROW(table.slot(1).setHiveIndex(-2), std::out_of_range);
  EXPECT_THROW(table.slot(1).setEnableState(static_cast<CheckState>(3)), std::out_of_range);
  EXPECT_EQ(table.slot(1).hiveIndex(), NoSelection);
}

struct CountingReactions : OptionReactions {
  int priority = 0;
  int scanner = 0;
  void priorityChanged() override { ++priority; }
  void scannerSwitchChanged() override { ++scanner; }
};

TEST(ProgramOptions_Reactions, OnlyADifferentValueNotifies) {
  MemoryControls controls;
  CountingReactions reactions;
  ProgramOptions options(controls, &reactions);

  options.setScannerState(CheckState::Unchecked);  // the state it already has
  EXPECT_EQ(reactions.scanner, 0);
  options.setScannerState(CheckState::Checked);
  options.setScannerState(CheckState::Checked);
  options.setScannerState(CheckState::Grayed);
  EXPECT_EQ(reactions.scanner, 2);
  EXPECT_EQ(controls.checkValue(ScannerBox), CheckState::Grayed);

  options.setPriorityIndex(NoSelection);
  EXPECT_EQ(reactions.priority, 0);
  options.setPriorityIndex(4);
  options.setPriorityIndex(4);
  options.setPriorityIndex(0);
  EXPECT_EQ(reactions.priority, 2);
  EXPECT_EQ(controls.listIndex(PriorityCombo), 0);
  EXPECT_EQ(reactions.scanner, 2);
}

TEST(ProgramOptions_Reactions, ARefusedValueChangesNothingAndNotifiesNothing) {
  MemoryControls controls;
  CountingReactions reactions;
  ProgramOptions options(controls, &reactions);
  EXPECT_THROW(options.setPriorityIndex(6), std::out_of_range);
  EXPECT_THROW(options.setScannerState(static_cast<CheckState>(-1)), std::out_of_range);
  EXPECT_EQ(reactions.priority + reactions.scanner, 0);
  EXPECT_EQ(options.priorityIndex(), NoSelection);
}

TEST(Controls_ListIndex, HiveSelectorsTakeMinusOneToFourThePrioritySelectorMinusOneToFive) {
  MemoryControls controls;
  for (int combo = 1; combo <= PriorityCombo; ++combo) {
    const std::int16_t last = combo == PriorityCombo ? 5 : 4;
    for (std::int16_t index = -2; index <= 6; ++index) {
      if (index >= NoSelection && index <= last) {
        controls.setListIndex(combo, index);
        EXPECT_EQ(controls.listIndex(combo), index);
      } else {
        EXPECT_THROW(controls.setListIndex(combo, index), std::out_of_range) << combo << " " << index;
      }
    }
  }
}

}  // namespace
}  // namespace vorlix
