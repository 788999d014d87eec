#include "platform/win32/form1.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/held_controls.h"
#include "core/rules.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/win32/only_copy.h"
#include "settings/configuration_io.h"
#include "support/configuration_snapshot.h"
#include "ui/layout.h"
#include "ui/tray_menu.h"

namespace vorlix::win32 {
namespace {

using ui::ControlKind;
using ui::PlacedControl;

struct RecordingEvents final : ui::WindowEvents {
  int ok = 0, cancel = 0, scanner = 0, priority = 0, timer = 0, tray = 0, close = 0, sessionEnd = 0;
  int ruleEdits = 0, registryChanges = 0, configureRequests = 0;
  std::vector<ui::UnloadCause> unloads;

  void okClicked() override { ++ok; }
  void cancelClicked() override { ++cancel; }
  void scannerClicked() override { ++scanner; }
  void priorityPicked() override { ++priority; }
  void ruleEdited() override { ++ruleEdits; }
  void timerFired() override { ++timer; }
  void registryChanged() override { ++registryChanges; }
  void trayNotified(const ui::TrayNotification&) override { ++tray; }
  void closeClicked() override { ++close; }
  void configureRequested() override { ++configureRequests; }
  void sessionEnding() override { ++sessionEnd; }
  void unloading(ui::UnloadCause cause) override { unloads.push_back(cause); }
  int buttons() const { return ok + cancel; }
};

struct CountingReactions final : OptionReactions {
  int priority = 0, scanner = 0;
  void priorityChanged() override { ++priority; }
  void scannerSwitchChanged() override { ++scanner; }
};

// Delivers what is queued, the way the program's loop does.
void pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void pumpThrough(Form1& form) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (!form.preTranslateMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

// A shell stand-in that only records, for the tests that count calls.
struct RecordingShell {
  std::vector<DWORD> messages;
  NOTIFYICONDATAW last{};
  ShellTrayIcon::ShellNotify notify() {
    return [this](DWORD message, NOTIFYICONDATAW* data) {
      messages.push_back(message);
      last = *data;
      return TRUE;
    };
  }
};

struct Rig {
  RecordingShell shell;
  Form1 form{::GetModuleHandleW(nullptr), shell.notify()};
  RecordingEvents events;

  Rig() { form.setEvents(&events); }
  ~Rig() { pump(); }
  HWND at(int id) { return form.control(id); }
};

ui::PixelRect clientRectOf(HWND form, HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

std::string nameOf(const PlacedControl& c) { return std::string(c.name.begin(), c.name.end()); }

void expectLaidOutAt(Rig& rig, int dpi) {
  for (const PlacedControl& c : ui::layoutControls()) {
    SCOPED_TRACE(nameOf(c) + " at " + std::to_string(dpi) + " DPI");
    const ui::PixelRect want = ui::toPixels(c.inWindow, dpi);
    const ui::PixelRect got = clientRectOf(rig.form.hwnd(), rig.at(c.id));
    EXPECT_NEAR(got.left, want.left, 1);
    EXPECT_NEAR(got.top, want.top, 1);
    EXPECT_NEAR(got.right, want.right, 1);
    EXPECT_NEAR(got.bottom, want.bottom, 1);
  }
}

// What the system does for our window at a new DPI: it asks the window for
// its size there, and suggests a rectangle of that size.
void changeDpi(Rig& rig, int dpi) {
  SIZE size{};
  ASSERT_TRUE(::SendMessageW(rig.form.hwnd(), WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi),
                             reinterpret_cast<LPARAM>(&size)));
  RECT r{50, 40, 50 + size.cx, 40 + size.cy};
  ::SendMessageW(rig.form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
  rig.form.rethrowPendingFailure();
  ASSERT_EQ(rig.form.dpi(), dpi);
  // Wine draws the frame at the system's DPI whatever the window's, so the
  // client area comes out exact only at 96 DPI (checked below) here.
  EXPECT_GE(size.cx, ui::twipsToPixels(ui::WindowClientWidth, dpi));
  EXPECT_GE(size.cy, ui::twipsToPixels(ui::WindowClientHeight, dpi));
}

int tipFontHeight(Rig& rig) {
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(rig.form.ruleTips(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
  return lf.lfHeight;
}

TEST(Form1_Creation, HiddenCaptionedConfigureWithCloseBoxOnlyAndNoMenuBar) {
  Rig rig;
  HWND w = rig.form.hwnd();
  EXPECT_FALSE(::IsWindowVisible(w));
  wchar_t caption[32]{};
  ::GetWindowTextW(w, caption, 32);
  EXPECT_STREQ(caption, L"Configure");
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(w, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(::GetMenu(w), nullptr);
  // The window's icons come with the controls, for the window to be shown.
  const HICON big = rig.form.icon();
  EXPECT_NE(big, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(w, WM_GETICON, ICON_BIG, 0)), big);
  EXPECT_NE(reinterpret_cast<HICON>(::SendMessageW(w, WM_GETICON, ICON_SMALL, 0)), nullptr);
  EXPECT_FALSE(rig.form.timer().enabled());
  EXPECT_EQ(rig.form.timer().interval(), 1000);
}

TEST(Form1_Creation, EveryControlStartsAtItsInitialValue) {
  Rig rig;
  for (int combo = 1; combo <= PriorityCombo; ++combo) EXPECT_EQ(rig.form.controls().listIndex(combo), NoSelection);
  for (int box = 0; box <= SlotCount; ++box) EXPECT_EQ(rig.form.controls().checkValue(box), CheckState::Unchecked);
  for (int slot = 1; slot <= SlotCount; ++slot) {
    EXPECT_EQ(rig.form.controls().text(TextField::KeyPath, slot), L"");
    EXPECT_EQ(rig.form.controls().text(TextField::ValueName, slot), L"");
  }
}

TEST(Form1_Menu, ConfigureAndExitWithIdsFromOneAndNoDefault) {
  Rig rig;
  HMENU menu = rig.form.menu();
  ASSERT_EQ(::GetMenuItemCount(menu), 2);
  const wchar_t* captions[] = {L"Configure", L"Exit"};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[32]{};
    ::GetMenuStringW(menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, captions[i]);
    EXPECT_EQ(::GetMenuItemID(menu, i), static_cast<UINT>(i + 1));
    const UINT state = ::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    EXPECT_FALSE(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR));
  }
  EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
}

TEST(Form1_Layout, ClientAreaAndEveryControlAtNinetySixDpiAreTheTwipsOverFifteen) {
  Rig rig;
  ASSERT_EQ(rig.form.dpi(), 96) << "this Wine prefix does not run at 96 DPI";
  RECT client{};
  ::GetClientRect(rig.form.hwnd(), &client);
  EXPECT_EQ(client.right, 684);
  EXPECT_EQ(client.bottom, 433);
  expectLaidOutAt(rig, 96);
  // Asked for its size at its own DPI, the window names the one it has.
  SIZE size{};
  ASSERT_TRUE(::SendMessageW(rig.form.hwnd(), WM_GETDPISCALEDSIZE, 96, reinterpret_cast<LPARAM>(&size)));
  RECT window{};
  ::GetWindowRect(rig.form.hwnd(), &window);
  EXPECT_EQ(size.cx, window.right - window.left);
  EXPECT_EQ(size.cy, window.bottom - window.top);
}

TEST(Form1_Layout, AfterAMoveToA144DpiMonitorEverythingScales) {
  Rig rig;
  changeDpi(rig, 144);
  expectLaidOutAt(rig, 144);
  LOGFONTW lf{};
  ASSERT_TRUE(::GetObjectW(rig.form.font(), sizeof(lf), &lf));
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(rig.at(ui::ids::ok), WM_GETFONT, 0, 0)), rig.form.font());
  const int tipAt144 = tipFontHeight(rig);
  changeDpi(rig, 96);
  expectLaidOutAt(rig, 96);
  EXPECT_NE(tipFontHeight(rig), 0);
  EXPECT_NEAR(tipAt144, ::MulDiv(tipFontHeight(rig), 144, 96), 1) << "the tips' font follows the DPI";
}

// The room a control leaves its caption, in pixels.
SIZE captionRoom(const PlacedControl& c, const ui::PixelRect& r, int dpi) {
  auto scaled = [dpi](int at96) { return ::MulDiv(at96, dpi, 96); };
  switch (c.kind) {
    case ControlKind::CheckBox:  // the box and the gap after it
      return {r.width() - ::GetSystemMetricsForDpi(SM_CXMENUCHECK, static_cast<UINT>(dpi)) - scaled(4),
              r.height()};
    case ControlKind::PushButton:  // edges and focus rectangle
      return {r.width() - scaled(8), r.height() - scaled(4)};
    case ControlKind::GroupBox:  // the caption sits in the top edge, inset on both sides
      return {r.width() - scaled(16), r.height()};
    default:
      return {r.width(), r.height()};
  }
}

TEST(Form1_Layout, EveryCaptionFitsItsRectangleAt96And120And144Dpi) {
  Rig rig;
  for (int dpi : {96, 120, 144}) {
    changeDpi(rig, dpi);
    HDC dc = ::GetDC(rig.form.hwnd());
    ASSERT_NE(dc, nullptr);
    HGDIOBJ old = ::SelectObject(dc, rig.form.font());
    for (const PlacedControl& c : ui::layoutControls()) {
      if (c.caption.empty()) continue;
      SCOPED_TRACE(nameOf(c) + " at " + std::to_string(dpi) + " DPI");
      SIZE text{};
      ASSERT_TRUE(::GetTextExtentPoint32W(dc, c.caption.data(), static_cast<int>(c.caption.size()), &text));
      const SIZE room = captionRoom(c, clientRectOf(rig.form.hwnd(), rig.at(c.id)), dpi);
      EXPECT_LE(text.cx, room.cx);
      EXPECT_LE(text.cy, room.cy);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(rig.form.hwnd(), dc);
  }
}

TEST(Form1_Lists, EveryListHoldsItsEntriesUnsortedShowsThemAllOpenAndTakesNoTyping) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  for (const PlacedControl& c : ui::layoutControls()) {
    if (c.kind != ControlKind::DropDownList) continue;
    SCOPED_TRACE(nameOf(c));
    HWND combo = rig.at(c.id);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(combo, GWL_STYLE));
    EXPECT_EQ(style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_FALSE(style & CBS_SORT);
    const auto entries = ui::listEntries(c.list);
    ASSERT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), c.id == ui::ids::Combo13 ? 6 : 5);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      wchar_t text[64]{};
      ::SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      EXPECT_EQ(std::wstring_view(text), entries[i]);
    }
    // Opened, the list shows every entry without scrolling.
    ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(::GetComboBoxInfo(combo, &info));
    RECT list{};
    ASSERT_TRUE(::GetClientRect(info.hwndList, &list));
    const auto itemHeight = ::SendMessageW(info.hwndList, LB_GETITEMHEIGHT, 0, 0);
    EXPECT_GE(list.bottom - list.top, itemHeight * static_cast<LONG>(entries.size()));
    EXPECT_EQ(::SendMessageW(info.hwndList, LB_GETTOPINDEX, 0, 0), 0);
    ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  }
}

TEST(Form1_Focus, TabWalksScannerThenComboCheckNameKeyPerRowThenCancelOkCombo13) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  EXPECT_EQ(::GetFocus(), rig.at(ui::ids::scanenabled)) << "first shown: the focus is on scanenabled";

  std::vector<int> expected;
  for (const PlacedControl& c : ui::layoutControls())
    if (c.tabStop) expected.push_back(c.id);
  std::vector<int> walked;
  HWND at = rig.at(ui::ids::scanenabled);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    walked.push_back(::GetDlgCtrlID(at));
    at = ::GetNextDlgTabItem(rig.form.hwnd(), at, FALSE);
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(at, rig.at(ui::ids::scanenabled)) << "after Combo13 the walk starts again";

  // And the TAB key through the program's loop moves the same way.
  MSG tab{rig.at(ui::ids::scanenabled), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  ::SetFocus(rig.at(ui::ids::scanenabled));
  ASSERT_TRUE(rig.form.preTranslateMessage(tab));
  EXPECT_EQ(::GetFocus(), rig.at(ui::ids::combo(1)));
}

TEST(Form1_Keys, EnterAndEscapePressNeitherButtonWhereverTheFocusIs) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  rig.form.controls().setText(TextField::KeyPath, 1, L"Software\\Kept");
  rig.form.controls().setListIndex(3, 2);
  for (int id : {ui::ids::scanenabled, ui::ids::ok, ui::ids::cancel, ui::ids::textBox(TextField::KeyPath, 1),
                 ui::ids::combo(3), ui::ids::Combo13, ui::ids::checkBox(5)}) {
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      SCOPED_TRACE("control " + std::to_string(id) + " key " + std::to_string(key));
      ::SetFocus(rig.at(id));
      ASSERT_TRUE(::PostMessageW(rig.at(id), WM_KEYDOWN, key, 1));
      ASSERT_TRUE(::PostMessageW(rig.at(id), WM_KEYUP, key, 0xC0000001));
      pumpThrough(rig.form);
      rig.form.rethrowPendingFailure();
      EXPECT_EQ(rig.events.buttons(), 0);
      EXPECT_TRUE(rig.form.isShown());
      EXPECT_TRUE(rig.events.unloads.empty());
    }
  }
  EXPECT_EQ(rig.form.controls().text(TextField::KeyPath, 1), L"Software\\Kept");
  EXPECT_EQ(rig.form.controls().listIndex(3), 2);
  EXPECT_EQ(rig.form.controls().checkValue(5), CheckState::Unchecked);
}

TEST(Form1_Buttons, AClickOnOkOrCancelReachesTheWiring) {
  Rig rig;
  rig.form.show();
  ::SendMessageW(rig.at(ui::ids::ok), BM_CLICK, 0, 0);
  EXPECT_EQ(rig.events.ok, 1);
  ::SendMessageW(rig.at(ui::ids::cancel), BM_CLICK, 0, 0);
  EXPECT_EQ(rig.events.cancel, 1);
}

struct ClickCase {
  CheckState from;
  CheckState to;
};
constexpr ClickCase kClicks[] = {
    {CheckState::Unchecked, CheckState::Checked},
    {CheckState::Checked, CheckState::Unchecked},
    {CheckState::Grayed, CheckState::Checked},
};

class Form1_CheckBoxClick : public ::testing::TestWithParam<ClickCase> {};

TEST_P(Form1_CheckBoxClick, SwitchesUncheckedAndCheckedOnlyAndOnlyTheScannerBoxTells) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  for (int box : {ScannerBox, 1, 12}) {
    SCOPED_TRACE("box " + std::to_string(box));
    const int before = rig.events.scanner;
    rig.form.controls().setCheckValue(box, GetParam().from);
    ::SendMessageW(rig.at(ui::ids::checkBox(box)), BM_CLICK, 0, 0);
    EXPECT_EQ(rig.form.controls().checkValue(box), GetParam().to);
    EXPECT_EQ(rig.events.scanner - before, box == ScannerBox ? 1 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(States, Form1_CheckBoxClick, ::testing::ValuesIn(kClicks));

TEST(Form1_Options, AssigningADifferentValueReactsOnceTheSameValueNotAtAll) {
  Rig rig;
  CountingReactions reactions;
  ProgramOptions options(rig.form.controls(), &reactions);
  options.setScannerState(CheckState::Checked);
  EXPECT_EQ(reactions.scanner, 1);
  EXPECT_EQ(::SendMessageW(rig.at(ui::ids::scanenabled), BM_GETCHECK, 0, 0), BST_CHECKED);
  options.setScannerState(CheckState::Checked);
  EXPECT_EQ(reactions.scanner, 1);
  options.setScannerState(CheckState::Grayed);
  EXPECT_EQ(reactions.scanner, 2);

  options.setPriorityIndex(4);
  options.setPriorityIndex(4);
  EXPECT_EQ(reactions.priority, 1);
  EXPECT_EQ(::SendMessageW(rig.at(ui::ids::Combo13), CB_GETCURSEL, 0, 0), 4);
  pumpThrough(rig.form);
  // The controls themselves raised nothing: no reaction runs twice.
  EXPECT_EQ(rig.events.scanner, 0);
  EXPECT_EQ(rig.events.priority, 0);
}

TEST(Form1_Options, AUsersPickOfALevelTellsTheWiring) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  rig.form.controls().setListIndex(PriorityCombo, 1);
  ::SetFocus(rig.at(ui::ids::Combo13));
  ::SendMessageW(rig.at(ui::ids::Combo13), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(rig.form.controls().listIndex(PriorityCombo), 2);
  EXPECT_EQ(rig.events.priority, 1);
}

TEST(Form1_Rows, EveryEditOfARuleRowTellsTheWiringAndNothingElseDoes) {
  Rig rig;
  rig.form.show();
  pumpThrough(rig.form);
  for (int slot : {1, 7, 12}) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    const int before = rig.events.ruleEdits;
    // Typing replaces the text as WM_SETTEXT does: both raise EN_CHANGE.
    ::SendMessageW(rig.at(ui::ids::textBox(TextField::KeyPath, slot)), WM_CHAR, L'x', 0);
    ::SendMessageW(rig.at(ui::ids::textBox(TextField::ValueName, slot)), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"typed"));
    ::SendMessageW(rig.at(ui::ids::checkBox(slot)), BM_CLICK, 0, 0);
    ::SetFocus(rig.at(ui::ids::combo(slot)));
    ::SendMessageW(rig.at(ui::ids::combo(slot)), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(rig.form.controls().listIndex(slot), 0);
    EXPECT_EQ(rig.events.ruleEdits - before, 4);
  }
  const int rowEdits = rig.events.ruleEdits;
  ::SendMessageW(rig.at(ui::ids::scanenabled), BM_CLICK, 0, 0);
  ::SetFocus(rig.at(ui::ids::Combo13));
  ::SendMessageW(rig.at(ui::ids::Combo13), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(rig.events.ruleEdits, rowEdits) << "the options are not rules";
  EXPECT_EQ(rig.events.scanner, 1);
  EXPECT_EQ(rig.events.priority, 1);
}

TEST(Form1_Controls, TextsOfAnyLengthAndCharacterSurviveAndBadValuesAreRefused) {
  Rig rig;
  std::wstring longText(100000, L'x');
  longText += L"\u00e9\u4e2d\U0001F600 end ";
  rig.form.controls().setText(TextField::ValueName, 7, longText);
  EXPECT_EQ(rig.form.controls().text(TextField::ValueName, 7), longText);
  rig.form.controls().setText(TextField::KeyPath, 12, L" Software\\Lead\\ ");
  EXPECT_EQ(rig.form.controls().text(TextField::KeyPath, 12), L" Software\\Lead\\ ");
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(rig.at(ui::ids::textBox(TextField::KeyPath, 1)), GWL_STYLE));
  EXPECT_TRUE(style & ES_AUTOHSCROLL);
  EXPECT_FALSE(style & ES_MULTILINE);

  rig.form.controls().setListIndex(4, 3);
  EXPECT_EQ(rig.form.controls().listIndex(4), 3);
  rig.form.controls().setListIndex(4, NoSelection);
  EXPECT_EQ(rig.form.controls().listIndex(4), NoSelection);

  EXPECT_THROW(rig.form.controls().setListIndex(4, 5), std::out_of_range);
  rig.form.controls().setListIndex(PriorityCombo, 5);
  EXPECT_EQ(rig.form.controls().listIndex(PriorityCombo), 5);
  EXPECT_THROW(rig.form.controls().setListIndex(PriorityCombo, 6), std::out_of_range);
  EXPECT_THROW(rig.form.controls().setListIndex(14, 0), std::out_of_range);
  EXPECT_THROW(rig.form.controls().setCheckValue(13, CheckState::Checked), std::out_of_range);
  EXPECT_THROW(rig.form.controls().setCheckValue(1, static_cast<CheckState>(3)), std::out_of_range);
  EXPECT_THROW(rig.form.controls().setText(TextField::KeyPath, 0, L""), std::out_of_range);
}

TEST(Form1_Unload, TheCloseBoxAsksTheEndOfSessionAndUnloadEndTheRun) {
  struct Case {
    const char* what;
    void (*act)(Form1&);
    int closeAsked;
    int sessionEnding;
    int configureRequests;
    std::vector<ui::UnloadCause> unloads;
    bool ends;
  };
  const Case cases[] = {
      // The program decides whether the close box unloads.
      {"close box", [](Form1& f) { ::SendMessageW(f.hwnd(), WM_CLOSE, 0, 0); }, 1, 0, 0, {}, false},
      {"unload", [](Form1& f) { f.unload(ui::UnloadCause::Exit); }, 0, 0, 0, {ui::UnloadCause::Exit}, true},
      // The window goes with the session even if the program did not unload it.
      {"end of session", [](Form1& f) { ::SendMessageW(f.hwnd(), WM_ENDSESSION, TRUE, 0); }, 0, 1, 0, {}, true},
      {"a session that goes on", [](Form1& f) { ::SendMessageW(f.hwnd(), WM_ENDSESSION, FALSE, 0); }, 0, 0, 0, {}, false},
      // An installer closing the program: the run ends by itself, as at a logoff.
      {"the Restart Manager",
       [](Form1& f) {
         EXPECT_EQ(::SendMessageW(f.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
         ::SendMessageW(f.hwnd(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
       },
       0, 1, 0, {}, true},
      // Another start's request, whatever its parameters, only asks.
      {"another start",
       [](Form1& f) {
         ::SendMessageW(f.hwnd(), configureRequestMessage(), 0, 0);
         ::SendMessageW(f.hwnd(), configureRequestMessage(), WM_CLOSE, -1);
       },
       0, 0, 2, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Rig rig;
    rig.form.show();
    c.act(rig.form);
    EXPECT_EQ(rig.events.close, c.closeAsked);
    EXPECT_EQ(rig.events.sessionEnd, c.sessionEnding);
    EXPECT_EQ(rig.events.configureRequests, c.configureRequests);
    EXPECT_EQ(rig.events.unloads, c.unloads);
    EXPECT_EQ(rig.form.hwnd() == nullptr, c.ends);
    rig.form.unload(ui::UnloadCause::Exit);
    EXPECT_LE(rig.events.unloads.size(), 1u) << "unloads once";
    MSG quit{};
    ASSERT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
  }
}

TEST(Form1_Unload, AWindowThatIsMerelyDestroyedEndsNoRun) {
  { Rig rig; }
  MSG quit{};
  EXPECT_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace vorlix::win32

namespace vorlix::win32 {
namespace {

// A store as a user, a deployment or another program may leave it: absent
// entries, numbers in and out of range, texts that are not numbers, and
// texts of any character the registry keeps (line breaks, tabs, control
// characters, surrogates, paired or not) and of any length.
MemorySettingsStore generatedStore(unsigned seed) {
  std::mt19937 random(seed);
  const auto chance = [&](int inN) { return std::uniform_int_distribution<int>(0, inN - 1)(random) == 0; };
  const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  static const std::wstring pieces[] = {
      L"Software", L"\\", L" ", L"\t", L"\r\n", L"\n", L"\r", L"\u00e4\u65e5\u672c", L"\U0001F600",
      std::wstring(1, wchar_t(0xD800)), std::wstring(1, wchar_t(0xDC00)), L"\uFFFF", L"\x01\x1b",
      L"%PATH%", L"\u202e", L"-1"};
  MemorySettingsStore store;
  for (const SettingsEntry& entry : loadOrder()) {
    if (chance(5)) continue;
    std::wstring text;
    if (entry.kind() == EntryKind::Text) {
      for (int n = pick(10); n > 0; --n) text += pieces[pick(static_cast<int>(std::size(pieces)))];
      if (chance(12)) text += std::wstring(static_cast<std::size_t>(30000 + pick(10000)), L'x');
    } else if (chance(40)) {
      text = chance(2) ? L"7" : L"one";  // the load stops here
    } else {
      std::int16_t value = 0;
      do value = static_cast<std::int16_t>(pick(9) - 2); while (!entry.accepts(value));
      text = chance(4) ? L" +0" + formatInteger(value) : formatInteger(value);
    }
    store.put(entry.section(), entry.key(), text);
  }
  return store;
}

// Where the load stopped, if it did: the entry and why.
std::optional<std::wstring> load(MemorySettingsStore store, ConfigControls& controls) {
  try {
    ProgramOptions options(controls);
    readConfiguration(store, RuleTable(controls), options);
  } catch (const SettingsFailure& failure) {
    return failure.details().section + L"\\" + failure.details().key + L" " +
           std::to_wstring(static_cast<int>(failure.kind()));
  }
  return std::nullopt;
}

void expectSameValues(const ConfigControls& actual, const ConfigControls& expected) {
  const std::vector<std::wstring> a = test::snapshot(actual), e = test::snapshot(expected);
  ASSERT_EQ(a.size(), e.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_TRUE(a[i] == e[i]) << "value " << i << ": " << a[i].size() << " characters instead of "
                              << e[i].size();
}

// Until the window is first shown its configuration is held in memory: the
// held copy must load, keep and refuse every stored value as the controls
// do, and hand the controls exactly what it holds.
TEST(Form1_HeldConfiguration, LoadsEveryStoredValueAsTheControlsDoAndHandsThemOver) {
  Rig shown;
  shown.form.show();
  ASSERT_TRUE(shown.form.hasControls());
  HeldControls held;  // reloaded like the window, as CANCEL does
  for (unsigned seed = 1; seed <= 60; ++seed) {
    SCOPED_TRACE("store " + std::to_string(seed));
    const MemorySettingsStore store = generatedStore(seed);
    EXPECT_EQ(load(store, held), load(store, shown.form.controls()));
    expectSameValues(held, shown.form.controls());
  }

  for (unsigned seed = 61; seed <= 63; ++seed) {
    SCOPED_TRACE("a start with store " + std::to_string(seed));
    Rig started;
    ASSERT_FALSE(started.form.hasControls());
    HeldControls alone;
    const MemorySettingsStore store = generatedStore(seed);
    EXPECT_EQ(load(store, started.form.controls()), load(store, alone));
    started.form.show();
    ASSERT_TRUE(started.form.hasControls());
    expectSameValues(started.form.controls(), alone);
    EXPECT_EQ(started.events.ruleEdits, 0) << "filling the controls is no user's edit";
    started.form.controls().setText(TextField::KeyPath, 2, L"typed");
    EXPECT_EQ(::GetWindowTextLengthW(started.at(ui::ids::textBox(TextField::KeyPath, 2))), 5);
  }
}

}  // namespace
}  // namespace vorlix::win32
