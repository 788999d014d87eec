#include "core/scan_timing.h"

#include <gtest/gtest.h>

#include "platform/memory/manual_timer.h"
#include "platform/memory/memory_controls.h"
#include "platform/memory/recording_deleter.h"

namespace vorlix {
namespace {

struct Rig {
  MemoryControls controls;
  ManualTimer timer;
  RecordingDeleter deleter;
  ScanTiming timing{timer, controls, deleter};
  ProgramOptions options{controls, &timing};

  Rig() {
    timer.onFire = [this] { timing.timerFired(); };
    RuleSlot slot = RuleTable(controls).slot(1);
    slot.setEnableState(CheckState::Checked);
    slot.setHiveIndex(1);
    slot.setKeyPath(L"K");
    slot.setValueName(L"V");
  }
  std::size_t passes() const { return deleter.calls.size(); }
};

struct LevelCase {
  std::int16_t index;
  const wchar_t* name;
  std::int32_t interval;
};
constexpr LevelCase kLevels[] = {
    {0, L"Very Low", 600000}, {1, L"Low", 300000}, {2, L"Middle", 60000},
    {3, L"High", 10000},      {4, L"Very High", 1000},
};

class PriorityLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(PriorityLevels, PickingALevelSetsItsIntervalWithoutStartingTheTimer) {
  const LevelCase& c = GetParam();
  EXPECT_EQ(PriorityTable[static_cast<std::size_t>(c.index)].name, c.name);
  Rig rig;
  rig.timer.setInterval(12345);
  rig.controls.setListIndex(PriorityCombo, c.index);
  rig.timing.applyPriority();
  EXPECT_EQ(rig.timer.interval(), c.interval);
  EXPECT_FALSE(rig.timer.enabled());
}

TEST_P(PriorityLevels, ARunningTimerFiresAtTheLevelsInterval) {
  const LevelCase& c = GetParam();
  Rig rig;
  rig.options.setPriorityIndex(c.index == 0 ? 1 : 0);  // make the pick below a change
  rig.options.setPriorityIndex(c.index);
  rig.options.setScannerState(CheckState::Checked);
  EXPECT_EQ(rig.timer.advance(c.interval - 1), 0);
  EXPECT_EQ(rig.timer.advance(1), 1);
  EXPECT_EQ(rig.timer.advance(c.interval * 3), 3);
  EXPECT_EQ(rig.passes(), 4u);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, PriorityLevels, ::testing::ValuesIn(kLevels));

TEST(ApplyPriority, NoSelectionKeepsTheInterval) {
  Rig rig;
  rig.timing.applyPriority();  // never applied: stays at 1000
  EXPECT_EQ(rig.timer.interval(), 1000);
  rig.options.setPriorityIndex(1);
  rig.controls.setListIndex(PriorityCombo, NoSelection);
  rig.timing.applyPriority();
  EXPECT_EQ(rig.timer.interval(), 300000);
}

struct SwitchCase {
  CheckState box;
  bool runningBefore;
  bool afterApplySwitch;
  bool afterSwitchOn;
};
constexpr SwitchCase kSwitches[] = {
    {CheckState::Checked, false, true, true},    {CheckState::Checked, true, true, true},
    {CheckState::Unchecked, false, false, false}, {CheckState::Unchecked, true, false, true},
    {CheckState::Grayed, false, false, false},   {CheckState::Grayed, true, false, true},
};

class ScannerSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(ScannerSwitch, ApplySwitchFollowsTheBoxAndSwitchOnNeverStops) {
  const SwitchCase& c = GetParam();
  {
    Rig rig;
    rig.timer.setEnabled(c.runningBefore);
    rig.controls.setCheckValue(ScannerBox, c.box);
    rig.timing.applyScannerSwitch();
    EXPECT_EQ(rig.timer.enabled(), c.afterApplySwitch);
    EXPECT_EQ(rig.timer.interval(), 1000) << "the switch never touches the interval";
  }
  {
    Rig rig;
    rig.timer.setEnabled(c.runningBefore);
    rig.controls.setCheckValue(ScannerBox, c.box);
    rig.timing.switchOn();
    EXPECT_EQ(rig.timer.enabled(), c.afterSwitchOn);
  }
}

INSTANTIATE_TEST_SUITE_P(States, ScannerSwitch, ::testing::ValuesIn(kSwitches));

TEST(ScanTiming_Moments, ConfigureStopsScanningUntilTheBoxIsClicked) {
  Rig rig;
  rig.options.setPriorityIndex(4);
  rig.options.setScannerState(CheckState::Checked);
  rig.timing.switchOn();
  EXPECT_EQ(rig.timer.advance(2000), 2);

  rig.timing.switchOff();  // Configure
  EXPECT_EQ(rig.timer.advance(10000), 0);
  EXPECT_EQ(rig.options.scannerState(), CheckState::Checked);

  // Clicking the box off and on again resumes; the first pass is one interval later.
  rig.options.setScannerState(CheckState::Unchecked);
  rig.options.setScannerState(CheckState::Checked);
  EXPECT_EQ(rig.timer.advance(999), 0);
  EXPECT_EQ(rig.timer.advance(1), 1);
}

TEST(ScanTiming_Moments, PriorityBeforeSwitchSetsTheIntervalBeforeTheFirstFiring) {
  Rig rig;
  rig.options.setPriorityIndex(3);                   // "High", 10 s
  rig.options.setScannerState(CheckState::Checked);  // reaction starts the timer
  EXPECT_TRUE(rig.timer.enabled());
  EXPECT_EQ(rig.timer.advance(9999), 0);
  EXPECT_EQ(rig.timer.advance(1), 1);
}

TEST(ScanTiming_Moments, APassUsesTheRowsAsTheyAreAtTheFiring) {
  Rig rig;
  rig.options.setPriorityIndex(4);
  rig.options.setScannerState(CheckState::Checked);
  rig.timer.advance(1000);
  RuleTable(rig.controls).slot(1).setValueName(L"Edited");
  rig.timer.advance(1000);
  ASSERT_EQ(rig.passes(), 2u);
  EXPECT_EQ(rig.deleter.calls[0], L"HKEY_CURRENT_USER\\K\\V");
  EXPECT_EQ(rig.deleter.calls[1], L"HKEY_CURRENT_USER\\K\\Edited");
}

}  // namespace
}  // namespace vorlix
