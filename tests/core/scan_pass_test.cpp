#include "core/scan_pass.h"

#include <gtest/gtest.h>

#include <chrono>
#include <new>
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
  // Each deletion is kept as its own rule's.
  EXPECT_EQ(deleter.rules, (std::vector<int>{1, 3, 7, 9, 11}));
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

// Controls whose key text cannot be read for one slot: the path cannot be
// composed, a failure that only the pass itself can catch.
struct FailingControls final : ConfigControls {
  MemoryControls held;
  int failingSlot = 0;
  std::int16_t listIndex(int n) const override { return held.listIndex(n); }
  void setListIndex(int n, std::int16_t index) override { held.setListIndex(n, index); }
  CheckState checkValue(int n) const override { return held.checkValue(n); }
  void setCheckValue(int n, CheckState state) override { held.setCheckValue(n, state); }
  std::wstring text(TextField field, int slot) const override {
    if (slot == failingSlot) throw std::bad_alloc();
    return held.text(field, slot);
  }
  void setText(TextField field, int slot, std::wstring_view text) override { held.setText(field, slot, text); }
};

TEST(ScanPass_Run, AFailingSlotDoesNotStopLaterSlots) {
  FailingControls controls;
  RuleTable table(controls);
  for (int n = 1; n <= SlotCount; ++n) fillSlot(table, n, CheckState::Checked, 0, L"K", std::to_wstring(n));
  controls.failingSlot = 1;
  RecordingDeleter deleter;
  ScanPass::run(table, deleter);
  ASSERT_EQ(deleter.calls.size(), 11u);
  EXPECT_EQ(deleter.calls.front(), L"HKEY_CLASSES_ROOT\\K\\2");
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

TEST(ScanPass_Records, EachActiveSlotKeepsItsTriesDeletionsLastTimeOutcomeAndPath) {
  using Kind = DeletionOutcome::Kind;
  MemoryControls controls;
  RuleTable table(controls);
  // Slot n answers outcomes[n - 1]; slot 6 is not enabled, slot 7 throws.
  const DeletionOutcome outcomes[] = {
      DeletionOutcome::of(Kind::Deleted),      DeletionOutcome::of(Kind::NotThere),
      DeletionOutcome::of(Kind::HasSubkeys),   DeletionOutcome::of(Kind::AccessDenied),
      DeletionOutcome::namesNothing(PathFault::NoHive), DeletionOutcome::of(Kind::Deleted),
      DeletionOutcome::of(Kind::Deleted),      DeletionOutcome::failed(1234),
  };
  for (int n = 1; n <= 8; ++n)
    fillSlot(table, n, n == 6 ? CheckState::Unchecked : CheckState::Checked, 1, L"K", std::to_wstring(n));
  RecordingDeleter deleter;
  deleter.answer = [&](std::wstring_view path) {
    if (path.ends_with(L"\\7")) throw std::runtime_error("refused");
    return outcomes[std::stoi(std::wstring(path.substr(path.rfind(L'\\') + 1))) - 1];
  };
  RuleRecords records;
  const auto before = std::chrono::system_clock::now();
  ScanPass::run(table, deleter, &records);
  ScanPass::run(table, deleter, &records);
  const auto after = std::chrono::system_clock::now();

  for (int n = 1; n <= SlotCount; ++n) {
    SCOPED_TRACE("slot " + std::to_string(n));
    const RuleRecord& r = records[n];
    const bool tried = n <= 8 && n != 6;
    EXPECT_EQ(r.tries, tried ? 2u : 0u);
    EXPECT_EQ(r.lastPath, tried ? L"HKEY_CURRENT_USER\\K\\" + std::to_wstring(n) : L"");
    if (!tried) continue;
    const DeletionOutcome expected = n == 7 ? DeletionOutcome::failed(0) : outcomes[n - 1];
    EXPECT_EQ(r.lastOutcome, expected);
    EXPECT_EQ(r.deletions, expected.kind == Kind::Deleted ? 2u : 0u);
    if (r.deletions > 0) {
      EXPECT_GE(r.lastDeletion, before);
      EXPECT_LE(r.lastDeletion, after);
    }
  }
  // A later pass with other fields: the outcome and path follow, the counts add up.
  fillSlot(table, 1, CheckState::Checked, 1, L"Other", L"2");
  ScanPass::run(table, deleter, &records);
  EXPECT_EQ(records[1].tries, 3u);
  EXPECT_EQ(records[1].deletions, 2u);
  EXPECT_EQ(records[1].lastOutcome, DeletionOutcome::of(Kind::NotThere));
  EXPECT_EQ(records[1].lastPath, L"HKEY_CURRENT_USER\\Other\\2");
  EXPECT_THROW((void)records[0], std::out_of_range);
  EXPECT_THROW((void)records[13], std::out_of_range);
}

}  // namespace
}  // namespace vorlix
