#include "ui/program.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <string>
#include <vector>

#include "platform/memory/memory_settings_store.h"
#include "platform/memory/memory_window.h"
#include "platform/memory/recording_deleter.h"
#include "ui/tray_menu.h"

namespace vorlix::ui {
namespace {

struct ScriptedPrompts final : UserPrompts {
  std::vector<std::wstring> errors;
  std::vector<std::wstring> retryQuestions;
  int retriesToGive = 0;
  int broughtToFront = 0;
  // Runs while a message is open, as events that arrive in its loop.
  std::function<void()> whileOpen;
  void reportError(std::wstring_view message) override {
    errors.emplace_back(message);
    if (whileOpen) whileOpen();
  }
  bool askRetry(std::wstring_view message) override {
    retryQuestions.emplace_back(message);
    if (whileOpen) whileOpen();
    return retriesToGive-- > 0;
  }
  void bringToFront() override { ++broughtToFront; }
};

struct ProgramRun {
  MemoryWindow window;
  MemorySettingsStore store;
  RecordingDeleter deleter;
  ScriptedPrompts prompts;
  Program program{window, store, deleter, prompts};

  ProgramRun() {
    window.setEvents(&program);
    // Store calls join the window's own log, so the flows read in order.
    store.onCall = [this](const SettingsCall& c) {
      window.log.push_back(std::wstring(c.kind == SettingsCall::Kind::Read ? L"read " : L"write ") +
                           c.section + L" " + c.key);
    };
  }
  RuleSlot slot(int n) { return RuleTable(window.controlsMemory).slot(n); }
  std::size_t writes() const {
    std::size_t n = 0;
    for (const auto& call : store.calls) n += call.kind == SettingsCall::Kind::Write;
    return n;
  }
  void storeActiveRule(int n, const wchar_t* value) {
    const std::wstring key = std::to_wstring(n);
    store.put(L"Reg", key, L"1");
    store.put(L"EnableKeys", key, L"1");
    store.put(L"keydirs", key, L"Software\\Test");
    store.put(L"keynames", key, value);
  }
};

// The store's part of a flow: each entry of `order`, with what reacts to it.
std::vector<std::wstring> storeCalls(const wchar_t* verb, const EntryOrder& order,
                                     const std::map<std::wstring, std::vector<std::wstring>>& reactions = {}) {
  std::vector<std::wstring> out;
  for (const SettingsEntry& e : order) {
    const std::wstring call = std::wstring(verb) + L" " + std::wstring(e.section()) + L" " + e.key();
    out.push_back(call);
    if (const auto r = reactions.find(call); r != reactions.end())
      out.insert(out.end(), r->second.begin(), r->second.end());
  }
  return out;
}

// What a save reads first: each rule's stored hive, key path and value name,
// to know which rules it changes.
EntryOrder ruleParts(const EntryOrder& order) {
  EntryOrder parts;
  for (const SettingsEntry& e : order)
    if (e.item() == ConfigItem::HiveIndex || e.item() == ConfigItem::KeyPath ||
        e.item() == ConfigItem::ValueName)
      parts.push_back(e);
  return parts;
}

std::vector<std::wstring> joined(std::initializer_list<std::vector<std::wstring>> parts) {
  std::vector<std::wstring> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(Program_Flows, LoadOkCancelAndExitTakeTheirStepsInOrder) {
  ProgramRun run;
  run.program.start();
  // The empty store's priority and switch differ from the window's first
  // state: each reacts as it is read, before the next entry.
  EXPECT_EQ(run.window.log,
            joined({{L"hide"},
                    storeCalls(L"read", loadOrder(),
                               {{L"read Reg 13", {L"interval 60000"}}, {L"read Reg Enabled", {L"timer on"}}}),
                    {L"add icon", L"timer on"}}));

  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  EXPECT_EQ(run.window.log.back(), L"timer off");
  run.window.log.clear();
  run.window.clickOk();
  EXPECT_EQ(run.window.log, joined({{L"hide"}, storeCalls(L"read", ruleParts(okOrder())),
                                    storeCalls(L"write", okOrder()), {L"timer on"}}));

  run.window.rightClickIcon();
  run.window.log.clear();
  run.window.clickCancel();
  EXPECT_EQ(run.window.log, joined({{L"hide"}, storeCalls(L"read", loadOrder())}))
      << "CANCEL neither starts nor stops the timer when the switch is unchanged";

  run.window.log.clear();
  run.window.nextMenuChoice = MenuCommand::Exit;
  run.window.rightClickIcon();
  EXPECT_EQ(run.window.log, joined({storeCalls(L"read", ruleParts(loadOrder())),
                                    storeCalls(L"write", loadOrder()), {L"delete icon"}}))
      << "the unload writes without hiding first";
}

TEST(Program_Ok, WithTheSwitchUncheckedScanningStaysStoppedCheckedItResumes) {
  ProgramRun run;
  run.program.start();
  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  run.window.clickScanner();  // off
  run.window.clickOk();
  EXPECT_FALSE(run.window.timerMemory.enabled());
  EXPECT_EQ(run.store.get(L"Reg", L"Enabled"), L"0");

  run.window.rightClickIcon();
  run.window.clickScanner();  // on
  run.window.clickOk();
  run.window.rightClickIcon();  // Configure stops scanning; the box stays Checked
  ASSERT_FALSE(run.window.timerMemory.enabled());
  run.window.clickOk();
  EXPECT_TRUE(run.window.timerMemory.enabled());
  EXPECT_EQ(run.store.get(L"Reg", L"Enabled"), L"1");
}

TEST(Program_Start, FirstRunScansAtMiddleWithTheIconShownAndTheWindowHidden) {
  ProgramRun run;
  run.program.start();
  EXPECT_FALSE(run.window.isShown());
  EXPECT_EQ(run.window.trayMemory.adds, 1);
  EXPECT_TRUE(run.window.timerMemory.enabled());
  EXPECT_EQ(run.window.timerMemory.interval(), 60000);
  EXPECT_EQ(run.writes(), 0u);
  EXPECT_TRUE(run.prompts.errors.empty());
  EXPECT_FALSE(run.program.ended());
}

TEST(Program_Start, WithNoPriorityStoredTheTimerKeepsItsFirstIntervalOfOneSecond) {
  ProgramRun run;
  run.store.put(L"Reg", L"13", L"-1");
  run.storeActiveRule(1, L"V");
  run.program.start();
  EXPECT_EQ(run.window.timerMemory.advance(999), 0);
  EXPECT_EQ(run.window.timerMemory.advance(1), 1);
  EXPECT_EQ(run.deleter.calls, std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\Test\\V"});
}

TEST(Program_Start, ABadStoredValueIsReportedAndEndsTheRunBeforeTheIcon) {
  ProgramRun run;
  run.store.put(L"Reg", L"7", L"9");
  run.program.start();
  ASSERT_EQ(run.prompts.errors.size(), 1u);
  EXPECT_NE(run.prompts.errors[0].find(L"\"Reg\" \"7\""), std::wstring::npos) << run.prompts.errors[0];
  EXPECT_NE(run.prompts.errors[0].find(L"9"), std::wstring::npos);
  EXPECT_TRUE(run.program.ended());
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::SettingsUnreadable);
  EXPECT_EQ(run.window.trayMemory.adds, 0);
  EXPECT_EQ(run.window.trayMemory.deletes, 0);
  EXPECT_EQ(run.writes(), 0u) << "the exit save must not run";
  EXPECT_FALSE(run.window.timerMemory.enabled());
}

TEST(Program_Configure, OkSavesAndResumesScanningCancelRevertsAndStaysStopped) {
  ProgramRun run;
  run.store.put(L"Reg", L"13", L"4");
  run.storeActiveRule(1, L"V");
  run.program.start();
  EXPECT_EQ(run.window.timerMemory.advance(1000), 1);

  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  EXPECT_TRUE(run.window.isShown());
  EXPECT_EQ(run.window.timerMemory.advance(5000), 0);

  run.slot(1).setValueName(L"Edited");
  run.window.clickOk();
  EXPECT_FALSE(run.window.isShown());
  EXPECT_EQ(run.store.get(L"keynames", L"1"), L"Edited");
  EXPECT_EQ(run.window.timerMemory.advance(1000), 1);
  EXPECT_EQ(run.deleter.calls.back(), L"HKEY_CURRENT_USER\\Software\\Test\\Edited");

  run.window.rightClickIcon();
  run.slot(1).setValueName(L"Unconfirmed");
  run.window.clickCancel();
  EXPECT_FALSE(run.window.isShown());
  EXPECT_EQ(run.slot(1).valueName(), L"Edited");
  EXPECT_EQ(run.store.get(L"keynames", L"1"), L"Edited");
  EXPECT_EQ(run.window.timerMemory.advance(10000), 0) << "CANCEL never starts the timer";
  EXPECT_FALSE(run.program.ended());
}

TEST(Program_Ok, AFailedWriteShowsTheWindowAgainWithTheUsersValues) {
  ProgramRun run;
  run.program.start();
  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  run.slot(3).setKeyPath(L"Typed by the user");
  run.store.failWritesTo(L"keydirs", L"2", L"Access is denied.");
  run.window.clickOk();

  ASSERT_EQ(run.prompts.errors.size(), 1u);
  EXPECT_NE(run.prompts.errors[0].find(L"Access is denied."), std::wstring::npos);
  EXPECT_TRUE(run.window.isShown());
  EXPECT_EQ(run.slot(3).keyPath(), L"Typed by the user");
  EXPECT_FALSE(run.window.timerMemory.enabled());
  EXPECT_FALSE(run.program.ended());
}

TEST(Program_Cancel, ABadStoredValueEndsTheRunWithoutTheExitSave) {
  ProgramRun run;
  run.program.start();
  run.store.put(L"EnableKeys", L"4", L"x");
  const std::size_t callsBefore = run.store.calls.size();
  run.window.clickCancel();
  ASSERT_EQ(run.prompts.errors.size(), 1u);
  EXPECT_TRUE(run.program.ended());
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::SettingsUnreadable);
  EXPECT_EQ(run.writes(), 0u);
  EXPECT_GT(run.store.calls.size(), callsBefore);
  EXPECT_EQ(run.window.trayMemory.deletes, 1) << "the icon must not outlive the program";
}

TEST(Program_Unload, EveryWayOutSavesUnconfirmedEditsAndRemovesTheIcon) {
  for (UnloadCause cause : {UnloadCause::Exit, UnloadCause::CloseBox, UnloadCause::EndOfSession}) {
    ProgramRun run;
    run.program.start();
    run.slot(12).setValueName(L"unconfirmed");
    if (cause == UnloadCause::Exit) {
      run.window.nextMenuChoice = MenuCommand::Exit;
      run.window.rightClickIcon();
    } else if (cause == UnloadCause::CloseBox) {
      run.window.clickCloseBox();
    } else {
      run.window.endSession();
    }
    EXPECT_TRUE(run.program.ended());
    EXPECT_EQ(run.program.exitStatus(), ExitStatus::Success);
    EXPECT_EQ(run.writes(), 50u);
    EXPECT_EQ(run.store.get(L"keynames", L"12"), L"unconfirmed");
    EXPECT_EQ(run.window.trayMemory.deletes, 1);
    EXPECT_TRUE(run.prompts.errors.empty());
  }
}

TEST(Program_Unload, AFailedExitSaveAsksAndRetryWritesAll50Again) {
  ProgramRun run;
  run.program.start();
  int failuresLeft = 1;
  run.store.onCall = [&](const SettingsCall& call) {
    if (call.kind == SettingsCall::Kind::Write && call.section == L"keydirs" && failuresLeft > 0) {
      --failuresLeft;
      throw SettingsStoreError(SettingsStoreError::Kind::SystemFailure, L"The disk is full.");
    }
  };
  run.prompts.retriesToGive = 1;
  run.window.clickCloseBox();
  ASSERT_EQ(run.prompts.retryQuestions.size(), 1u);
  EXPECT_NE(run.prompts.retryQuestions[0].find(L"The disk is full."), std::wstring::npos);
  // "Reg" (14) and "EnableKeys" (12) written, "keydirs" "1" fails, then all 50 again.
  EXPECT_EQ(run.writes(), 26u + 1u + 50u);
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::Success);
  EXPECT_EQ(run.window.trayMemory.deletes, 1);
}

TEST(Program_Unload, GivingUpOnTheExitSaveEndsWithAFailureStatus) {
  ProgramRun run;
  run.program.start();
  run.store.failWritesTo(L"Reg", L"1", L"Access is denied.");
  run.prompts.retriesToGive = 2;
  run.window.clickCloseBox();
  EXPECT_EQ(run.prompts.retryQuestions.size(), 3u);
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::SettingsUnsaved);
  EXPECT_EQ(run.window.trayMemory.deletes, 1);
  EXPECT_FALSE(run.window.trayMemory.shown);
}

TEST(Program_Unload, AtTheEndOfTheSessionAFailedSaveAsksNothing) {
  ProgramRun run;
  run.program.start();
  run.store.failWritesTo(L"keynames", L"3", L"Access is denied.");
  run.prompts.retriesToGive = 5;
  run.window.endSession();
  EXPECT_TRUE(run.prompts.retryQuestions.empty());
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::SettingsUnsaved);
  EXPECT_EQ(run.window.trayMemory.deletes, 1);
}

TEST(Program_Events, TheWindowsOwnControlsSteerTheTimer) {
  ProgramRun run;
  run.store.put(L"Reg", L"Enabled", L"0");
  run.program.start();
  EXPECT_FALSE(run.window.timerMemory.enabled());
  run.window.pickPriority(4);
  EXPECT_EQ(run.window.timerMemory.interval(), 1000);
  EXPECT_FALSE(run.window.timerMemory.enabled());
  run.window.clickScanner();
  EXPECT_TRUE(run.window.timerMemory.enabled());
  run.window.clickScanner();
  EXPECT_FALSE(run.window.timerMemory.enabled());
}

// Where a handler waits for the user in a loop of its own, while the
// window's other events go on arriving. Each run scans at "Very High" or at
// "Instant" with slot 1 active, and the timer (and at "Instant" the watch)
// has been started by the time the handler begins to wait.
struct WaitCase {
  const char* name;
  void (*arrange)(ProgramRun&);
  void (*openWait)(ProgramRun&);
  bool inMenu;              // the popup menu rather than a message
  bool endsUnsaved;         // the run has decided to end without saving
  std::size_t failedWrites; // the write attempt that opened the wait
};

// The level the waits scan at.
const wchar_t* waitLevel = L"4";

void storeScanning(ProgramRun& run) {
  run.store.put(L"Reg", L"13", waitLevel);
  run.storeActiveRule(1, L"v");
}
// Configure, then the scanner box off and on again: scanning while editing.
void configureScanning(ProgramRun& run) {
  storeScanning(run);
  run.program.start();
  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  run.window.clickScanner();
  run.window.clickScanner();
  run.window.nextMenuChoice = MenuCommand::None;
}
// The next write fails, once.
template <class Failure>
void failNextWrite(ProgramRun& run) {
  run.store.onCall = [&store = run.store](const SettingsCall& call) {
    if (call.kind != SettingsCall::Kind::Write) return;
    store.onCall = nullptr;
    if constexpr (std::is_same_v<Failure, SettingsStoreError>)
      throw SettingsStoreError(SettingsStoreError::Kind::SystemFailure, L"Access is denied.");
    else
      throw Failure("out of luck");
  };
}

const WaitCase kWaits[] = {
    {"the load failure at start-up",
     [](ProgramRun& run) {
       storeScanning(run);
       // "Reg" "Enabled" has started the timer by the time this fails.
       run.store.putUnreadable(L"keynames", L"1", L"a value of type REG_DWORD");
     },
     [](ProgramRun& run) { run.program.start(); }, false, true, 0},
    {"the revert failure at CANCEL",
     [](ProgramRun& run) {
       configureScanning(run);
       run.store.put(L"EnableKeys", L"4", L"x");
     },
     [](ProgramRun& run) { run.window.clickCancel(); }, false, true, 0},
    {"the save failure at OK",
     [](ProgramRun& run) {
       configureScanning(run);
       failNextWrite<SettingsStoreError>(run);
     },
     [](ProgramRun& run) { run.window.clickOk(); }, false, false, 1},
    {"the exit save's question",
     [](ProgramRun& run) {
       storeScanning(run);
       run.program.start();
       failNextWrite<SettingsStoreError>(run);
     },
     [](ProgramRun& run) { run.window.clickCloseBox(); }, false, false, 1},
    {"an unexpected failure",
     [](ProgramRun& run) {
       configureScanning(run);
       failNextWrite<std::runtime_error>(run);
     },
     [](ProgramRun& run) { run.window.clickOk(); }, false, true, 1},
    {"the popup menu",
     [](ProgramRun& run) {
       storeScanning(run);
       run.program.start();
     },
     [](ProgramRun& run) { run.window.rightClickIcon(); }, true, false, 0},
};

enum class Arrival { TimerTicks, RegistryChange, IconRightClick, WindowClicks, CloseBox, SessionEnd, StartAgain };
constexpr Arrival kArrivals[] = {Arrival::TimerTicks,   Arrival::RegistryChange,
                                 Arrival::IconRightClick, Arrival::WindowClicks,
                                 Arrival::CloseBox,     Arrival::SessionEnd,
                                 Arrival::StartAgain};

struct Counts {
  std::size_t deletes, storeCalls, writes, popups, unloads;
  int shows;
  static Counts of(const ProgramRun& run) {
    return {run.deleter.calls.size(), run.store.calls.size(), run.writes(),
            run.window.popups.size(), run.window.unloads.size(), run.window.shows};
  }
};

TEST(Program_Waiting, EventsInAMessageOrMenuLoopNeverActOnAFlowInProgress) {
  for (const wchar_t* level : {L"4", L"5"})
  for (const WaitCase& wait : kWaits) {
    for (const Arrival arrival : kArrivals) {
      waitLevel = level;
      SCOPED_TRACE(std::string(wait.name) + ", arrival " + std::to_string(static_cast<int>(arrival)) +
                   ", level " + asciiSummary(level));
      ProgramRun run;
      wait.arrange(run);
      const std::size_t writesBefore = run.writes();
      Counts before{}, after{};
      bool arrived = false;
      auto during = [&] {
        if (std::exchange(arrived, true)) return;
        before = Counts::of(run);
        switch (arrival) {
          case Arrival::TimerTicks: run.window.timerMemory.advance(30000); break;
          case Arrival::RegistryChange:
            // Armed unless the run has already decided to end.
            EXPECT_EQ(run.window.watchMemory.armed(), waitLevel == std::wstring_view(L"5") && !wait.endsUnsaved);
            run.window.watchMemory.change();
            break;
          case Arrival::IconRightClick: run.window.rightClickIcon(); break;
          case Arrival::WindowClicks:
            run.window.clickOk();
            run.window.clickCancel();
            run.window.pickPriority(0);
            break;
          case Arrival::CloseBox: run.window.clickCloseBox(); break;
          case Arrival::SessionEnd: run.window.endSession(); break;
          case Arrival::StartAgain: run.window.startAgain(); break;
        }
        after = Counts::of(run);
      };
      (wait.inMenu ? run.window.whileMenuOpen : run.prompts.whileOpen) = during;
      wait.openWait(run);
      ASSERT_TRUE(arrived);

      EXPECT_EQ(after.deletes, before.deletes) << "a pass ran inside the wait";
      EXPECT_EQ(after.popups, before.popups) << "the menu opened inside the wait";
      EXPECT_EQ(after.shows, before.shows) << "the window showed inside the wait";
      if (arrival == Arrival::IconRightClick || arrival == Arrival::StartAgain) {
        EXPECT_EQ(run.prompts.broughtToFront, wait.inMenu ? 0 : 1) << "the message stayed behind";
      }
      if (arrival != Arrival::SessionEnd) {
        EXPECT_EQ(after.storeCalls, before.storeCalls) << "a flow ran inside the wait";
        EXPECT_EQ(after.unloads, before.unloads) << "the window unloaded inside the wait";
      } else {
        // The run ends at once, saving all 50 exactly where an unload would,
        // and the interrupted handler does nothing more.
        EXPECT_TRUE(run.program.ended());
        EXPECT_EQ(after.writes - before.writes, wait.endsUnsaved ? 0u : 50u);
        EXPECT_EQ(run.writes(), after.writes) << "the interrupted handler wrote afterwards";
        EXPECT_FALSE(run.window.trayMemory.shown);
        EXPECT_FALSE(run.window.isShown());
      }
      if (wait.endsUnsaved) {
        EXPECT_TRUE(run.program.ended());
        EXPECT_EQ(run.writes(), writesBefore + wait.failedWrites) << "a run that ends unsaved wrote";
      }
    }
  }
}

TEST(Program_StartAgain, ShowsTheWindowAsConfigureDoesWithoutTouchingStoreOrIcon) {
  ProgramRun run;
  run.store.put(L"Reg", L"13", L"4");
  run.storeActiveRule(1, L"V");
  run.program.start();
  const std::size_t storeCalls = run.store.calls.size();
  run.window.log.clear();

  run.window.startAgain();
  EXPECT_EQ(run.window.log, (std::vector<std::wstring>{L"show", L"timer off"}));
  EXPECT_EQ(run.window.timerMemory.advance(5000), 0) << "scanning pauses";
  run.slot(1).setValueName(L"Being edited");
  run.window.startAgain();
  EXPECT_TRUE(run.window.isShown());
  EXPECT_EQ(run.window.shows, 1);
  EXPECT_EQ(run.slot(1).valueName(), L"Being edited") << "the edits stay";
  EXPECT_EQ(run.store.calls.size(), storeCalls);
  EXPECT_EQ(run.window.trayMemory.adds, 1);

  run.window.clickOk();
  EXPECT_EQ(run.store.get(L"keynames", L"1"), L"Being edited");
  EXPECT_EQ(run.window.timerMemory.advance(1000), 1);

  run.window.clickCloseBox();
  ASSERT_TRUE(run.program.ended());
  run.window.startAgain();
  EXPECT_EQ(run.window.shows, 1) << "an ended run shows nothing";
}

TEST(Program_Instant, WatchesExactlyWhileScanningAtInstantAndFollowsTheWindow) {
  ProgramRun run;
  run.store.put(L"Reg", L"13", L"5");
  run.storeActiveRule(1, L"V");
  const std::wstring stored = L"HKEY_CURRENT_USER\\Software\\Test\\V";
  run.program.start();
  ASSERT_TRUE(run.window.watchMemory.armed());
  EXPECT_EQ(run.window.watchMemory.arms.back().paths, std::vector<std::wstring>{stored});
  EXPECT_EQ(run.window.timerMemory.interval(), 10000);

  run.window.watchMemory.change();
  EXPECT_EQ(run.deleter.calls, std::vector<std::wstring>{stored}) << "a change runs a pass at once";
  EXPECT_EQ(run.window.watchMemory.arms.back().hold, WatchHoldAfterPass);
  EXPECT_EQ(run.window.timerMemory.advance(10000), 1) << "the safety net";

  // Configure pauses the watch with the timer; edits arm nothing meanwhile.
  run.window.nextMenuChoice = MenuCommand::Configure;
  run.window.rightClickIcon();
  EXPECT_FALSE(run.window.watchMemory.armed());
  const std::size_t arms = run.window.watchMemory.arms.size();
  run.window.typeText(TextField::ValueName, 1, L"Typed");
  EXPECT_EQ(run.window.watchMemory.arms.size(), arms);

  // Scanning while the window is open: every edit of a row arms again.
  run.window.clickScanner();
  run.window.clickScanner();
  ASSERT_TRUE(run.window.watchMemory.armed());
  run.window.typeText(TextField::KeyPath, 2, L"Software\\Two");
  run.window.pickHive(2, 1);
  run.window.clickRuleBox(2);
  EXPECT_EQ(run.window.watchMemory.arms.back().paths,
            (std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\Test\\Typed",
                                       L"HKEY_CURRENT_USER\\Software\\Two\\"}));
  EXPECT_EQ(run.window.watchMemory.arms.size(), arms + 4);

  // CANCEL reverts the rows and the watch with them; scanning goes on, as
  // the timer does.
  run.window.clickCancel();
  ASSERT_TRUE(run.window.watchMemory.armed());
  EXPECT_EQ(run.window.watchMemory.arms.back().paths, std::vector<std::wstring>{stored});
}

// The tip reads the row as it is now and the records of the timer's scans.
TEST(Program_RuleTip, TellsTheRowsFieldsNowAndTheOutcomesOfTheTimersScans) {
  ProgramRun run;
  run.storeActiveRule(2, L"Run");
  run.store.put(L"Reg", L"13", L"4");
  run.program.start();
  run.deleter.answer = [](std::wstring_view) { return DeletionOutcome::of(DeletionOutcome::Kind::NotThere); };
  ASSERT_EQ(run.window.timerMemory.advance(2000), 2);

  EXPECT_EQ(run.program.describeRule(2),
            L"Rule 2 deletes the value \"Run\" in the key HKEY_CURRENT_USER\\Software\\Test.\nFull path: "
            L"HKEY_CURRENT_USER\\Software\\Test\\Run\nNot deleted in 2 scans since Vorlix started.\n"
            L"Last scan: nothing to delete (the value is not there).");
  EXPECT_EQ(run.program.records()[1].tries, 0u);
  // Typing into the row changes what the tip says the rule names, at once.
  run.window.controlsMemory.setText(TextField::KeyPath, 2, L"\\Software\\Test");
  EXPECT_EQ(run.program.describeRule(2).find(L"Rule 2 names nothing: the key path starts with a backslash.\n"), 0u);
}

TEST(Program_Failure, AnUnexpectedFailureSaysWhatWasBeingDoneAndWhyAndEndsTheRun) {
  ProgramRun run;
  run.program.start();
  failNextWrite<std::runtime_error>(run);
  run.window.clickOk();
  EXPECT_EQ(run.prompts.errors,
            std::vector<std::wstring>{L"Vorlix could not save the configuration.\n\nout of luck\n\nVorlix will now end."});
  EXPECT_TRUE(run.program.ended());
  EXPECT_EQ(run.program.exitStatus(), ExitStatus::UnexpectedFailure);
}

}  // namespace
}  // namespace vorlix::ui
