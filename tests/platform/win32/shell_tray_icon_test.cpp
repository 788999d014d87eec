#include "platform/win32/shell_tray_icon.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/memory/memory_settings_store.h"
#include "platform/memory/recording_deleter.h"
#include "platform/win32/form1.h"
#include "support/unexpected_prompts.h"
#include "ui/program.h"

namespace vorlix::win32 {
namespace {

struct Call {
  DWORD message;
  NOTIFYICONDATAW data;
};

struct RecordingShell {
  std::vector<Call> calls;
  ShellTrayIcon::ShellNotify notify() {
    return [this](DWORD message, NOTIFYICONDATAW* data) {
      calls.push_back({message, *data});
      return TRUE;
    };
  }
  std::vector<DWORD> messages() const {
    std::vector<DWORD> m;
    for (const Call& c : calls) m.push_back(c.message);
    return m;
  }
};

// The program itself on the real window, with its settings in memory.
struct ProgramOnForm {
  explicit ProgramOnForm(Form1& form) : program(form, store, deleter, prompts) {
    form.setEvents(&program);
    program.start();
  }
  std::size_t storeCalls() const { return store.calls.size(); }

  MemorySettingsStore store;
  RecordingDeleter deleter;
  test::UnexpectedPrompts prompts;
  ui::Program program;
};

void sendTaskbarCreated(HWND window) { ::SendMessageW(window, taskbarCreatedMessage(), 0, 0); }

TEST(TrayIcon_Record, OwnerFormIdOneOurCallbackTheWindowsSmallIconAndTheTip) {
  RecordingShell shell;
  Form1 form(::GetModuleHandleW(nullptr), shell.notify());
  form.tray().addTrayIcon();
  ASSERT_EQ(shell.messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
  const NOTIFYICONDATAW& add = shell.calls[0].data;
  EXPECT_EQ(add.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(add.hWnd, form.hwnd());
  EXPECT_EQ(add.uID, 1u);
  EXPECT_EQ(add.uFlags & (NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP),
            static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP));
  EXPECT_EQ(add.uCallbackMessage, static_cast<UINT>(WM_APP + 1));
  // The image is the small icon at the system's DPI, not the window's.
  ASSERT_EQ(add.hIcon, form.trayImage());
  ICONINFO image{};
  ASSERT_TRUE(::GetIconInfo(add.hIcon, &image));
  BITMAP mask{};
  ::GetObjectW(image.hbmMask, sizeof(mask), &mask);
  EXPECT_EQ(mask.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
  ::DeleteObject(image.hbmMask);
  if (image.hbmColor) ::DeleteObject(image.hbmColor);
  EXPECT_STREQ(add.szTip, L"Vennik's Vorlix");
  EXPECT_EQ(shell.calls[1].data.uVersion, static_cast<UINT>(NOTIFYICON_VERSION_4));
  form.tray().deleteTrayIcon();
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(shell.calls.back().data.hWnd, form.hwnd());
  EXPECT_EQ(shell.calls.back().data.uID, 1u);
}

TEST(TrayIcon_TaskbarCreated, ReAddsTheSameIconOnlyWhileItIsWanted) {
  RecordingShell shell;
  Form1 form(::GetModuleHandleW(nullptr), shell.notify());
  // What an elevated copy needs to hear Explorer at all.
  EXPECT_NO_THROW(allowMessageFromLowerIntegrity(form.hwnd(), taskbarCreatedMessage()));
  sendTaskbarCreated(form.hwnd());
  EXPECT_TRUE(shell.calls.empty()) << "not added yet: the shell gets nothing";

  form.tray().addTrayIcon();
  sendTaskbarCreated(form.hwnd());
  ASSERT_EQ(shell.messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION, NIM_ADD, NIM_SETVERSION}));
  EXPECT_EQ(std::memcmp(&shell.calls[0].data, &shell.calls[2].data, sizeof(NOTIFYICONDATAW)), 0)
      << "the same record, tip and image";

  form.tray().deleteTrayIcon();
  const std::size_t afterDelete = shell.calls.size();
  sendTaskbarCreated(form.hwnd());
  EXPECT_EQ(shell.calls.size(), afterDelete);
}

TEST(TrayIcon_Shell, TheSessionsNotificationAreaTakesTheIconAndGetsItBackAfterARestart) {
  Form1 form(::GetModuleHandleW(nullptr));
  form.tray().addTrayIcon();
  ASSERT_TRUE(form.tray().shown()) << "Shell_NotifyIconW(NIM_ADD) failed";

  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof(probe);
  probe.hWnd = form.hwnd();
  probe.uID = ShellTrayIcon::Id;
  EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the icon is there";

  // As if the shell restarted and forgot our icon.
  ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &probe));
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &probe));
  sendTaskbarCreated(form.hwnd());
  EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &probe)) << "added again on TaskbarCreated";

  form.tray().deleteTrayIcon();
  EXPECT_FALSE(::Shell_NotifyIconW(NIM_MODIFY, &probe));
}

TEST(TrayIcon_RefusedAdd, TheRetryTimerPutsTheIconInOnceTheShellTakesIt) {
  int refusedTries = 2;
  Form1 form(::GetModuleHandleW(nullptr), [&](DWORD message, NOTIFYICONDATAW* data) -> BOOL {
    // A busy shell at sign-in: a try (an add, then an update) fails whole.
    if ((message == NIM_ADD || message == NIM_MODIFY) && refusedTries > 0) {
      if (message == NIM_MODIFY) --refusedTries;
      return FALSE;
    }
    return ::Shell_NotifyIconW(message, data);
  });
  form.tray().addTrayIcon();
  EXPECT_FALSE(form.tray().shown());
  const ULONGLONG giveUp = ::GetTickCount64() + 30000;
  MSG msg;
  while (!form.tray().shown() && ::GetTickCount64() < giveUp) {
    if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::DispatchMessageW(&msg);
    } else {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
  }
  EXPECT_TRUE(form.tray().shown());
  EXPECT_EQ(refusedTries, 0);
  NOTIFYICONDATAW probe{};
  probe.cbSize = sizeof(probe);
  probe.hWnd = form.hwnd();
  probe.uID = ShellTrayIcon::Id;
  EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &probe)) << "the notification area has it";
  form.tray().deleteTrayIcon();
}

// Sees the popup menu's modal loop from inside, on this thread: the menu
// loop runs each message it takes through the message filter hooks.
class MenuWatch {
 public:
  enum class Then { Dismiss, ChooseFirst, ChooseSecond };

  explicit MenuWatch(Then then) {
    current = this;
    then_ = then;
    hook_ = ::SetWindowsHookExW(WH_MSGFILTER, &MenuWatch::filter, nullptr, ::GetCurrentThreadId());
    // A watchdog, so a menu that ignores us cannot hang the test.
    watchdog_ = ::SetTimer(nullptr, 0, 3000, nullptr);
  }
  ~MenuWatch() {
    ::UnhookWindowsHookEx(hook_);
    ::KillTimer(nullptr, watchdog_);
    current = nullptr;
  }
  MenuWatch(const MenuWatch&) = delete;
  MenuWatch& operator=(const MenuWatch&) = delete;

  int opened = 0;
  bool sawMenuWindow = false;

 private:
  static LRESULT CALLBACK filter(int code, WPARAM wParam, LPARAM lParam) {
    MenuWatch* self = current;
    if (self != nullptr && code == MSGF_MENU) self->inMenu(reinterpret_cast<MSG*>(lParam));
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
  }

  void inMenu(MSG* msg) {
    if (!acted_) {
      acted_ = true;
      ++opened;
      HWND popup = ::FindWindowW(L"#32768", nullptr);
      sawMenuWindow = popup != nullptr && ::IsWindowVisible(popup);
      switch (then_) {
        case Then::Dismiss: ::EndMenu(); break;
        case Then::ChooseFirst:
          ::PostMessageW(msg->hwnd, WM_KEYDOWN, VK_DOWN, 1);
          ::PostMessageW(msg->hwnd, WM_KEYDOWN, VK_RETURN, 1);
          break;
        case Then::ChooseSecond:
          ::PostMessageW(msg->hwnd, WM_KEYDOWN, VK_DOWN, 1);
          ::PostMessageW(msg->hwnd, WM_KEYDOWN, VK_DOWN, 1);
          ::PostMessageW(msg->hwnd, WM_KEYDOWN, VK_RETURN, 1);
          break;
      }
    } else if (msg->message == WM_TIMER && msg->wParam == watchdog_) {
      ::EndMenu();
    }
  }

  static inline MenuWatch* current = nullptr;
  HHOOK hook_ = nullptr;
  UINT_PTR watchdog_ = 0;
  Then then_ = Then::Dismiss;
  bool acted_ = false;
};

// Returns whether the run ended (WM_QUIT) meanwhile.
bool notifyFromShell(HWND form, UINT code, int x = 500, int y = 400) {
  // Something for the menu loop to take at once, so the hook runs.
  ::PostMessageW(form, WM_NULL, 0, 0);
  ::SendMessageW(form, ShellTrayIcon::CallbackMessage, MAKEWPARAM(x, y), MAKELPARAM(code, ShellTrayIcon::Id));
  bool quit = false;
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    quit = quit || msg.message == WM_QUIT;
    ::DispatchMessageW(&msg);
  }
  return quit;
}

struct CodeCase {
  const char* what;
  UINT code;
  bool opensMenu;
};
const CodeCase kCodes[] = {
    {"right button released", WM_CONTEXTMENU, true},
    {"right button up before it", WM_RBUTTONUP, false},
    {"right button pressed", WM_RBUTTONDOWN, false},
    {"left click", WM_LBUTTONUP, false},
    {"left button pressed", WM_LBUTTONDOWN, false},
    {"left double-click", WM_LBUTTONDBLCLK, false},
    {"pointer moved", WM_MOUSEMOVE, false},
    {"selected (a left click, or Enter after one)", NIN_SELECT, false},
    {"Enter or Space on the icon chosen by keyboard", NIN_KEYSELECT, true},
};

TEST(TrayIcon_Callback, OnlyTheRightButtonReleaseOpensTheMenu) {
  RecordingShell shell;
  Form1 form(::GetModuleHandleW(nullptr), shell.notify());
  ProgramOnForm run(form);
  const std::size_t callsAfterStart = run.storeCalls();
  for (const CodeCase& c : kCodes) {
    SCOPED_TRACE(c.what);
    MenuWatch watch(MenuWatch::Then::Dismiss);
    notifyFromShell(form.hwnd(), c.code);
    EXPECT_EQ(watch.opened, c.opensMenu ? 1 : 0);
    if (c.opensMenu) {
      EXPECT_TRUE(watch.sawMenuWindow);
      EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_SETFOCUS))
          << "dismissed: the focus goes back to the notification area";
    }
  }
  EXPECT_FALSE(form.isShown()) << "a dismissed menu does nothing";
  EXPECT_FALSE(run.program.ended());
  EXPECT_EQ(run.storeCalls(), callsAfterStart);
}

TEST(TrayIcon_Callback, AnotherIconsNotificationIsNotOurs) {
  RecordingShell shell;
  Form1 form(::GetModuleHandleW(nullptr), shell.notify());
  ProgramOnForm run(form);
  MenuWatch watch(MenuWatch::Then::Dismiss);
  ::PostMessageW(form.hwnd(), WM_NULL, 0, 0);
  ::SendMessageW(form.hwnd(), ShellTrayIcon::CallbackMessage, 0, MAKELPARAM(WM_CONTEXTMENU, 2));
  EXPECT_EQ(watch.opened, 0);
}

TEST(TrayIcon_Menu, ConfigureShowsTheWindowAndStopsTheTimerExitSavesAndUnloads) {
  RecordingShell shell;
  Form1 form(::GetModuleHandleW(nullptr), shell.notify());
  ProgramOnForm run(form);
  ASSERT_FALSE(form.isShown());
  ASSERT_TRUE(form.timer().enabled()) << "the first run scans";
  {
    MenuWatch watch(MenuWatch::Then::ChooseFirst);
    notifyFromShell(form.hwnd(), WM_CONTEXTMENU);
    EXPECT_EQ(watch.opened, 1);
  }
  EXPECT_TRUE(form.isShown());
  EXPECT_FALSE(form.timer().enabled());
  EXPECT_EQ(form.controls().checkValue(ScannerBox), CheckState::Checked);
  form.controls().setText(TextField::KeyPath, 2, L"Software\\Unconfirmed");
  bool runEnded = false;
  {
    MenuWatch watch(MenuWatch::Then::ChooseSecond);
    runEnded = notifyFromShell(form.hwnd(), WM_CONTEXTMENU);
  }
  EXPECT_EQ(form.hwnd(), nullptr) << "Exit unloaded the window";
  EXPECT_EQ(shell.calls.back().message, static_cast<DWORD>(NIM_DELETE));
  EXPECT_EQ(run.store.get(L"keydirs", L"2"), L"Software\\Unconfirmed");
  EXPECT_TRUE(run.program.ended());
  EXPECT_TRUE(runEnded);
}

}  // namespace
}  // namespace vorlix::win32
