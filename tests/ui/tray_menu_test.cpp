#include "ui/tray_menu.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_settings_store.h"
#include "platform/memory/memory_window.h"
#include "platform/memory/recording_deleter.h"
#include "support/unexpected_prompts.h"
#include "ui/program.h"

namespace vorlix::ui {
namespace {

// The program on the in-memory window, scanning at "Middle" with slot 1
// active, the window hidden, the icon added.
struct Rig {
  MemoryWindow window;
  MemorySettingsStore store;
  RecordingDeleter deleter;
  test::UnexpectedPrompts prompts;
  Program program{window, store, deleter, prompts};

  explicit Rig(int shellRefusals = 0) {
    window.trayMemory.refuseAdds = shellRefusals;
    window.setEvents(&program);
    store.put(L"Reg", L"1", L"1");
    store.put(L"EnableKeys", L"1", L"1");
    store.put(L"keydirs", L"1", L"Software\\K");
    store.put(L"keynames", L"1", L"V");
    program.start();
  }

  void rightClickIcon(MenuCommand choice, ScreenPoint at = {988, 690}) {
    window.nextMenuChoice = choice;
    window.rightClickIcon(at);
  }
};

struct CodeCase {
  const char* what;
  std::uint32_t code;
  bool opensMenu;
};
constexpr CodeCase kCodes[] = {
    {"right button released (WM_CONTEXTMENU)", tray_code::ContextMenu, true},
    {"right button released (WM_RBUTTONUP)", tray_code::RightUp, false},
    {"right button pressed", tray_code::RightDown, false},
    {"left button pressed", tray_code::LeftDown, false},
    {"left button released", tray_code::LeftUp, false},
    {"left double-click", tray_code::LeftDoubleClick, false},
    {"pointer moved", tray_code::MouseMove, false},
    {"selected (NIN_SELECT)", tray_code::Select, false},
    {"Enter or Space on the icon (NIN_KEYSELECT)", tray_code::KeySelect, true},
    {"517 in twips, the old mouse-move form", 517 * 15, false},
};

class TrayCodes : public ::testing::TestWithParam<CodeCase> {};

TEST_P(TrayCodes, OnlyTheRightButtonReleaseOpensTheMenu) {
  Rig rig;
  rig.window.nextMenuChoice = MenuCommand::Configure;
  rig.program.trayNotified({GetParam().code, {10, 20}});
  EXPECT_EQ(decodeTrayEvent(GetParam().code), GetParam().opensMenu);
  EXPECT_EQ(rig.window.popups.size(), GetParam().opensMenu ? 1u : 0u);
  EXPECT_EQ(rig.window.isShown(), GetParam().opensMenu);
}

INSTANTIATE_TEST_SUITE_P(Codes, TrayCodes, ::testing::ValuesIn(kCodes),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(TrayMenu_RightClick, OpensOnceAtThePointer) {
  Rig rig;
  rig.rightClickIcon(MenuCommand::None, {321, 654});
  ASSERT_EQ(rig.window.popups.size(), 1u);
  EXPECT_EQ(rig.window.popups[0], (ScreenPoint{321, 654}));
}

TEST(TrayMenu_Dismissed, ChangesNothing) {
  Rig rig;
  rig.rightClickIcon(MenuCommand::None);
  EXPECT_FALSE(rig.window.isShown());
  EXPECT_TRUE(rig.window.timer().enabled());
  EXPECT_FALSE(rig.window.unloaded);
  EXPECT_EQ(rig.window.trayMemory.focusReturns, 1) << "the keyboard focus goes back to the icons";
  rig.rightClickIcon(MenuCommand::Configure);
  EXPECT_EQ(rig.window.trayMemory.focusReturns, 1);
}

// The shell refuses the first adds; the icon comes by its own retry timer,
// or sooner when the shell announces itself, while scanning goes on.
struct RefusalCase {
  const char* what;
  int refusals;
  bool shellAnnouncesItself;  // "TaskbarCreated" after the first second
  int shellAdds;              // after an hour
  bool shown;
};
constexpr RefusalCase kRefusals[] = {
    {"taken at once", 0, false, 1, true},
    {"refused three times, then taken by the fourth try", 3, false, 4, true},
    {"refused once, then taken when the shell announces itself", 1, true, 2, true},
    {"refused for good: tried every few seconds for as long", 100000, false,
     1 + 3600000 / TrayIconKeeper::RetryInterval, false},
};

TEST(TrayIcon_RefusedAdd, IsTriedAgainUntilShownWithoutDelayingTheScans) {
  for (const RefusalCase& c : kRefusals) {
    SCOPED_TRACE(c.what);
    Rig rig(c.refusals);
    EXPECT_EQ(rig.window.trayMemory.adds, 1) << "the program asks once";
    rig.window.timerMemory.advance(1000);
    rig.window.trayMemory.retryTimer.advance(1000);
    if (c.shellAnnouncesItself) rig.window.trayMemory.taskbarCreated();
    rig.window.timerMemory.advance(3599000);
    rig.window.trayMemory.retryTimer.advance(3599000);
    EXPECT_EQ(rig.window.trayMemory.shellAdds, c.shellAdds);
    EXPECT_EQ(rig.window.trayMemory.shown, c.shown);
    EXPECT_EQ(rig.window.trayMemory.retryTimer.enabled(), !c.shown);
    EXPECT_EQ(rig.deleter.calls.size(), 60u) << "a pass a minute at Middle, as with an icon";
    rig.rightClickIcon(MenuCommand::Exit);
    EXPECT_FALSE(rig.window.trayMemory.retryTimer.enabled()) << "no retry after the icon is deleted";
  }
}

TEST(TrayMenu_Configure, ShowsTheWindowAndStopsScanning) {
  Rig rig;
  ASSERT_TRUE(rig.window.timer().enabled());
  rig.rightClickIcon(MenuCommand::Configure);
  EXPECT_TRUE(rig.window.isShown());
  EXPECT_FALSE(rig.window.timer().enabled());
  EXPECT_EQ(rig.window.timerMemory.advance(120000), 0);
  EXPECT_TRUE(rig.deleter.calls.empty());
  // The box still shows Checked: only OK or a click starts scanning again.
  EXPECT_EQ(rig.window.controls().checkValue(ScannerBox), CheckState::Checked);
}

TEST(TrayMenu_Configure, WhileShownLeavesWindowAndControlsAsTheyAre) {
  Rig rig;
  rig.rightClickIcon(MenuCommand::Configure);
  // The user edits and clicks the scanner on again.
  rig.window.controlsMemory.setText(TextField::KeyPath, 4, L"edited");
  rig.window.controlsMemory.setListIndex(7, 3);
  rig.window.clickScanner();
  rig.window.clickScanner();
  ASSERT_TRUE(rig.window.timer().enabled());
  const MemoryControls before = rig.window.controlsMemory;
  const std::int32_t interval = rig.window.timer().interval();

  rig.rightClickIcon(MenuCommand::Configure);

  EXPECT_TRUE(rig.window.isShown());
  EXPECT_EQ(rig.window.shows, 1);
  EXPECT_EQ(rig.window.hides, 0);
  EXPECT_FALSE(rig.window.timer().enabled());
  EXPECT_EQ(rig.window.timer().interval(), interval);
  for (int combo = 1; combo <= PriorityCombo; ++combo)
    EXPECT_EQ(rig.window.controlsMemory.listIndex(combo), before.listIndex(combo));
  for (int box = 0; box <= SlotCount; ++box)
    EXPECT_EQ(rig.window.controlsMemory.checkValue(box), before.checkValue(box));
  for (int slot = 1; slot <= SlotCount; ++slot) {
    EXPECT_EQ(rig.window.controlsMemory.text(TextField::KeyPath, slot), before.text(TextField::KeyPath, slot));
    EXPECT_EQ(rig.window.controlsMemory.text(TextField::ValueName, slot), before.text(TextField::ValueName, slot));
  }
}

TEST(TrayMenu_Exit, UnloadsOnceThroughTheCloseBoxPathAndRemovesTheIcon) {
  Rig rig;
  ASSERT_EQ(rig.window.trayMemory.adds, 1);
  rig.rightClickIcon(MenuCommand::Exit);
  EXPECT_TRUE(rig.window.unloaded);
  EXPECT_EQ(rig.window.unloads, (std::vector<UnloadCause>{UnloadCause::Exit}));
  EXPECT_EQ(rig.window.trayMemory.deletes, 1);
  // A close box message still queued: the program itself asks nothing more.
  const std::size_t storeCalls = rig.store.calls.size();
  rig.program.closeClicked();
  EXPECT_EQ(rig.window.unloadRequests, 1);
  EXPECT_EQ(rig.store.calls.size(), storeCalls);
  EXPECT_EQ(rig.window.trayMemory.deletes, 1);
}

TEST(Window_CloseBox, SavesUnconfirmedEditsAndUnloadsLikeExit) {
  Rig rig;
  rig.rightClickIcon(MenuCommand::Configure);
  rig.window.controlsMemory.setText(TextField::KeyPath, 2, L"unconfirmed");
  rig.window.clickCloseBox();
  EXPECT_EQ(rig.window.unloads, (std::vector<UnloadCause>{UnloadCause::CloseBox}));
  EXPECT_EQ(rig.store.get(L"keydirs", L"2"), L"unconfirmed");
  EXPECT_EQ(rig.window.trayMemory.deletes, 1);
  EXPECT_FALSE(rig.window.trayMemory.shown);
  EXPECT_TRUE(rig.program.ended());
}

}  // namespace
}  // namespace vorlix::ui
