#include "core/scan_pass.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_controls.h"
#include "platform/memory/recording_deleter.h"

namespace vorlix {
namespace {

void fillSlot(RuleTable& table, int n, CheckState state, std::int16_t hive, std::wstring key,
              std::wstring value) {
  RuleSlot slot = table.slot(n);
  slot.setEnableState(state);
  slot.setHiveIndex(hive);
  slot.setKeyPath(key);
  slot.setValueName(value);
}

TEST(ScanPass_Run, DeletesOnlyCheckedSlotsInSlotOrderIncludingDuplicates) {
  MemoryControls controls;
  RuleTable table(controls);
  for (int n = 1; n <= SlotCount; ++n)
    fillSlot(table, n, n % 2 ? CheckState::Checked : CheckState::Unchecked, 1, L"K" + std::to_wstring(n), L"V");
  fillSlot(table, 5, CheckState::Grayed, 1, L"K5", L"V");          // grayed is off
  fillSlot(table, 3, CheckState::Checked, 2, L"Same", L"Entry");  // 3 and 7 name one entry
  fillSlot(table, 7, CheckState::Checked, 2, L"Same", L"Entry");

  RecordingDeleter deleter;
  ScanPass::run(table, deleter);
  EXPECT_EQ(deleter.calls, (std::vector<std::wstring>{
                               L"HKEY_CURRENT_USER\\K1\\V",
                               L"HKEY_LOCAL_MACHINE\\Same\\Entry",
                               L"HKEY_LOCAL_MACHINE\\Same\\Entry",
                               L"HKEY_CURRENT_USER\\K9\\V",
                               L"HKEY_CURRENT_USER\\K11\\V",
                           }));
}

TEST(ScanPass_Run, NoCheckedSlotMakesNoCall) {
  MemoryControls controls;
  RuleTable table(controls);
  for (int n = 1; n <= SlotCount; ++n) fillSlot(table, n, CheckState::Grayed, 1, L"K", L"V");
  RecordingDeleter deleter;
  ScanPass::run(table, deleter);
  EXPECT_TRUE(deleter.calls.empty());
}

TEST(ScanPass_Run, CheckedEmptySlotAsksForTwoBackslashes) {
  MemoryControls controls;
  RuleTable table(controls);
  table.slot(4).setEnableState(CheckState::Checked);
  RecordingDeleter deleter;
  ScanPass::run(table, deleter);
  EXPECT_EQ(deleter.calls, std::vector<std::wstring>{L"\\\\"});
}

TEST(ScanPass_Run, AFailingDeletionDoesNotStopLaterSlots) {
  MemoryControls controls;
  RuleTable table(controls);
  for (int n = 1; n <= SlotCount; ++n) fillSlot(table, n, CheckState::Checked, 0, L"K", std::to_wstring(n));
  RecordingDeleter deleter;
  // The recording deleter swallows this like the real one swallows a registry error.
  deleter.onCall = [](std::wstring_view path) {
    if (path.ends_with(L"\\1")) throw std::runtime_error("access denied");
  };
  ScanPass::run(table, deleter);
  ASSERT_EQ(deleter.calls.size(), 12u);
  EXPECT_EQ(deleter.calls.back(), L"HKEY_CLASSES_ROOT\\K\\12");
}

TEST(ScanPass_Run, EachSlotIsReadWhenItsTurnComes) {
  MemoryControls controls;
  RuleTable table(controls);
  fillSlot(table, 1, CheckState::Checked, 1, L"A", L"a");
  fillSlot(table, 2, CheckState::Unchecked, 1, L"B", L"b");
  RecordingDeleter deleter;
  // A change made while slot 1 is being deleted is seen by slot 2.
  deleter.onCall = [&](std::wstring_view) { controls.setCheckValue(2, CheckState::Checked); };
  ScanPass::run(table, deleter);
  EXPECT_EQ(deleter.calls, (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\A\\a", L"HKEY_CURRENT_USER\\B\\b"}));
}

TEST(ScanPass_Run, EveryPassAsksAgain) {
  MemoryControls controls;
  RuleTable table(controls);
  fillSlot(table, 2, CheckState::Checked, 1, L"K", L"V");
  RecordingDeleter deleter;
  ScanPass::run(table, deleter);
  ScanPass::run(table, deleter);
  EXPECT_EQ(deleter.calls.size(), 2u);
}

}  // namespace
}  // namespace vorlix
