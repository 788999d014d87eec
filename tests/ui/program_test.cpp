#include "ui/program.h"

#include <gtest/gtest.h>

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
  void reportError(std::wstring_view message) override { errors.emplace_back(message); }
  bool askRetry(std::wstring_view message) override {
    retryQuestions.emplace_back(message);
    return retriesToGive-- > 0;
  }
};

struct ProgramRun {
  MemoryWindow window;
  MemorySettingsStore store;
  RecordingDeleter deleter;
  ScriptedPrompts prompts;
  Program program{window, store, deleter, prompts};

  ProgramRun() { window.setEvents(&program); }
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
  handleTrayNotification({tray_code::ContextMenu, {5, 5}}, run.window, run.program);
  EXPECT_TRUE(run.window.isShown());
  EXPECT_EQ(run.window.timerMemory.advance(5000), 0);

  run.slot(1).setValueName(L"Edited");
  run.window.clickOk();
  EXPECT_FALSE(run.window.isShown());
  EXPECT_EQ(run.store.get(L"keynames", L"1"), L"Edited");
  EXPECT_EQ(run.window.timerMemory.advance(1000), 1);
  EXPECT_EQ(run.deleter.calls.back(), L"HKEY_CURRENT_USER\\Software\\Test\\Edited");

  handleTrayNotification({tray_code::ContextMenu, {5, 5}}, run.window, run.program);
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
  handleTrayNotification({tray_code::ContextMenu, {}}, run.window, run.program);
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
      handleTrayNotification({tray_code::ContextMenu, {}}, run.window, run.program);
    } else {
      run.window.unload(cause);
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
  run.window.unload(UnloadCause::EndOfSession);
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

TEST(Program_Failure, UnexpectedFailureMessageSaysWhatAndWhy) {
  const std::wstring text = describeUnexpectedFailure(L"save the configuration", "SetTimer failed with error 8");
  EXPECT_NE(text.find(L"Vorlix could not save the configuration."), std::wstring::npos);
  EXPECT_NE(text.find(L"SetTimer failed with error 8"), std::wstring::npos);
}

}  // namespace
}  // namespace vorlix::ui
