#include "core/scan_timing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/timing_rig.h"

namespace vorlix {
namespace {

struct Rig : TimingRig {
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
    {3, L"High", 10000},      {4, L"Very High", 1000},  {5, L"Instant", 10000},
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

constexpr std::int16_t Instant = 5;

// A rule under HKEY_USERS is never watched: at Instant the timer applies it
// at the shortest interval, as long as such a rule is active, whenever the
// rules or the level change; other levels keep their own interval.
TEST(ScanTiming_UsersHives, AtInstantTheTimerTakesTheShortestIntervalForThem) {
  Rig rig;
  rig.options.setPriorityIndex(Instant);  // read before the rules, as at start-up
  RuleSlot users = RuleTable(rig.controls).slot(2);
  users.setEnableState(CheckState::Checked);
  users.setHiveIndex(3);
  users.setKeyPath(L"S-1-5-21-7\\Software");
  users.setValueName(L"V");
  rig.options.setScannerState(CheckState::Checked);
  rig.timing.switchOn();
  EXPECT_EQ(rig.timer.interval(), ShortestInterval);
  EXPECT_EQ(ShortestInterval, 1000);
  EXPECT_TRUE(rig.watch.armed());  // for rule 1
  EXPECT_EQ(rig.timer.advance(3000), 3);

  users.setEnableState(CheckState::Unchecked);
  rig.timing.rulesChanged();
  EXPECT_EQ(rig.timer.interval(), 10000);
  users.setEnableState(CheckState::Checked);
  rig.timing.rulesChanged();
  EXPECT_EQ(rig.timer.interval(), ShortestInterval);

  rig.options.setPriorityIndex(1);  // Low
  EXPECT_EQ(rig.timer.interval(), 300000);
  rig.timing.rulesChanged();
  EXPECT_EQ(rig.timer.interval(), 300000);
}

// The rig with one log for the timer, the watch and the passes.
struct LoggedRig : Rig {
  std::vector<std::wstring> log;
  LoggedRig() {
    timer.log = &log;
    watch.log = &log;
    watch.onChange = [this] { timing.registryChanged(); };
    deleter.onCall = [this](std::wstring_view) { log.push_back(L"pass"); };
  }
  std::vector<std::wstring> logOf(void (*act)(LoggedRig&)) {
    log.clear();
    act(*this);
    return log;
  }
};

struct MomentCase {
  const char* moment;
  std::int16_t level;  // scanning on
  void (*act)(LoggedRig&);
  std::vector<std::wstring> log;
};

const MomentCase kMoments[] = {
    {"a timer firing at Instant arms again before the pass", Instant,
     [](LoggedRig& r) { r.timer.advance(10000); }, {L"watch on, hold 20", L"pass"}},
    {"a reported change arms again before the pass", Instant,
     [](LoggedRig& r) { r.watch.change(); }, {L"watch on, hold 20", L"pass"}},
    {"an edited rule arms again, without a pass", Instant,
     [](LoggedRig& r) { r.timing.rulesChanged(); }, {L"watch on, hold 0"}},
    {"a report that arrives after the watch closed is stale", Instant,
     [](LoggedRig& r) {
       r.timing.switchOff();
       r.log.clear();
       r.timing.registryChanged();
     },
     {}},
    {"at Very High nothing is watched", 4,
     [](LoggedRig& r) {
       r.timing.rulesChanged();
       r.watch.change();
       r.timer.advance(1000);
     },
     {L"pass"}},
};

class InstantMoments : public ::testing::TestWithParam<MomentCase> {};

TEST_P(InstantMoments, EveryPassAndEveryEditArmsTheWatchAgain) {
  const MomentCase& c = GetParam();
  LoggedRig rig;
  rig.options.setPriorityIndex(c.level);
  rig.options.setScannerState(CheckState::Checked);
  EXPECT_EQ(rig.logOf(c.act), c.log);
}

INSTANTIATE_TEST_SUITE_P(Moments, InstantMoments, ::testing::ValuesIn(kMoments),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// Random walks over everything that can happen to the timing, checked
// against a model: the watch is armed exactly while the timer runs at
// Instant, a report runs one pass, and every pass at Instant is preceded by
// an arming that holds the next report.
TEST(InstantWatch, ArmedExactlyWhileTheTimerRunsAtInstant) {
  std::mt19937 random(20261207);
  for (int walk = 0; walk < 50; ++walk) {
    LoggedRig rig;
    std::int16_t level = NoSelection;  // the last level applied
    bool passUnheld = false;
    rig.deleter.onCall = [&](std::wstring_view) {
      if (rig.timing.watching() && (rig.log.empty() || rig.log.back() != L"watch on, hold 20"))
        passUnheld = true;
      rig.log.push_back(L"pass");
    };
    for (int step = 0; step < 60; ++step) {
      const int what = std::uniform_int_distribution<int>(0, 6)(random);
      const std::size_t passesBefore = rig.passes();
      const bool armedBefore = rig.watch.armed();
      switch (what) {
        case 0: {
          const auto picked = static_cast<std::int16_t>(std::uniform_int_distribution<int>(-1, 5)(random));
          rig.options.setPriorityIndex(picked);
          if (picked != NoSelection) level = picked;
          break;
        }
        case 1:
          rig.options.setScannerState(
              static_cast<CheckState>(std::uniform_int_distribution<int>(0, 2)(random)));
          break;
        case 2: rig.timing.switchOn(); break;
        case 3: rig.timing.switchOff(); break;
        case 4: rig.timer.advance(std::uniform_int_distribution<int>(1, 20000)(random)); break;
        case 5:
          RuleTable(rig.controls).slot(1).setValueName(L"V" + std::to_wstring(step));
          rig.timing.rulesChanged();
          break;
        case 6:
          // A report that was already on its way as the watch closed still
          // arrives: the timing itself must drop it.
          rig.watch.change();
          if (!armedBefore) rig.timing.registryChanged();
          EXPECT_EQ(rig.passes() - passesBefore, armedBefore ? 1u : 0u);
          break;
      }
      const bool atInstant = level == Instant;
      ASSERT_EQ(rig.watch.armed(), rig.timer.enabled() && atInstant)
          << "walk " << walk << " step " << step << " action " << what;
      if (rig.watch.armed()) {
        ASSERT_EQ(rig.watch.arms.back().paths,
                  std::vector<std::wstring>{RuleTable(rig.controls).slot(1).fullPath()})
            << "armed with the rules of the moment";
      }
    }
    EXPECT_FALSE(passUnheld) << "walk " << walk;
  }
}

}  // namespace
}  // namespace vorlix
