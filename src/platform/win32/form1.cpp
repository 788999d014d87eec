#include "platform/win32/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "platform/win32/check.h"
#include "platform/win32/only_copy.h"
#include "ui/start_request.h"
#include "ui/tray_menu.h"
#include "ui/window_messages.h"

namespace vorlix::win32 {

Form1::Form1(HINSTANCE instance, ShellTrayIcon::ShellNotify shell, IAccPropServices* nameService)
    : instance_(instance), nameService_(nameService) {
  taskbarCreated_ = taskbarCreatedMessage();
  configureRequest_ = configureRequestMessage();
  // Created without WS_VISIBLE: the window never appears until Configure.
  create(instance_, Form1ClassName, ui::WindowCaption.data(), Style, ExStyle);
  // From here on the window exists: a failure must not leave it behind
  // with a procedure that points at a half-built object.
  try {
    // Explorer runs at a lower integrity level than an elevated copy of
    // this program, which would otherwise never hear that the task bar is
    // back; a later start must not reach the window from below its level.
    for (const auto& [name, message] : {std::pair{ui::TaskbarCreatedMessage, taskbarCreated_},
                                        std::pair{ui::ConfigureRequestMessage, configureRequest_}})
      if (ui::acceptedFromLowerIntegrity(name)) allowMessageFromLowerIntegrity(hwnd(), message);
    dpi_ = static_cast<int>(::GetDpiForWindow(hwnd()));
    if (dpi_ == 0) dpi_ = USER_DEFAULT_SCREEN_DPI;

    sizeWindowToClientArea();
    loadTrayImage();

    timer_.emplace(hwnd(), Timer1Id);
    watcher_.onChange = [this] {
      if (events_) events_->registryChanged();
    };
    tray_.emplace(hwnd(), trayImage_.get(), std::move(shell));
  } catch (...) {
    tray_.reset();
    timer_.reset();
    destroy();
    throw;
  }
}

Form1::~Form1() {
  tray_.reset();
  timer_.reset();
  destroy();
}

// Most runs never open the window: its ~90 controls, their font, tips and
// names (and COM for them) would only slow the start at sign-in.
void Form1::makeControls() {
  if (hasControls() || hwnd() == nullptr) return;
  try {
    // The common controls' version 6 classes come with the manifest; make
    // sure the library is loaded before the first control is created.
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES;
    (void)::InitCommonControlsEx(&icc);  // Ignored: user32's own classes remain.

    rebuildFont();
    createControls();
    addRuleTooltip();
    nameControls(nameService_);
    loadIcons();
    lastFocus_ = controls_[ui::ids::scanenabled];
    live_.handOver(controls_);
  } catch (...) {
    // The held copy stays live; a later call starts again from nothing.
    names_.reset();
    tips_.reset();
    for (const auto& [id, child] : controls_.all()) (void)::DestroyWindow(child.window);
    controls_ = ChildControls();
    lastFocus_ = nullptr;
    throw;
  }
}

HMENU Form1::menu() {
  if (menu_) return menu_.get();
  unique_hmenu made(checkNotNull(::CreatePopupMenu(), "CreatePopupMenu"));
  for (const ui::MenuItem& item : ui::MenuItems)
    checkBool(::AppendMenuW(made.get(), MF_STRING, static_cast<UINT_PTR>(item.command),
                            std::wstring(item.caption).c_str()),
              "AppendMenuW");
  menu_ = std::move(made);
  return menu_.get();
}

bool Form1::preTranslateMessage(MSG& msg) {
  return hwnd() != nullptr && ::IsDialogMessageW(hwnd(), &msg) != FALSE;
}

void Form1::show() {
  makeControls();
  // Ignored: an already visible window reports that it was visible.
  (void)::ShowWindow(hwnd(), SW_SHOWNORMAL);
  // The first ShowWindow of a process can be given the show command of the
  // program's start instead (a shortcut set to "Minimized", a hidden
  // start); the second one is ours.
  if (!::IsWindowVisible(hwnd()) || ::IsIconic(hwnd()) || ::IsZoomed(hwnd()))
    (void)::ShowWindow(hwnd(), SW_SHOWNORMAL);
  // Ignored: the system may refuse the foreground; the window is shown anyway.
  (void)::SetForegroundWindow(hwnd());
  if (::GetActiveWindow() == hwnd() && !::IsChild(hwnd(), ::GetFocus())) ::SetFocus(lastFocus_);
}

void Form1::hide() {
  (void)::ShowWindow(hwnd(), SW_HIDE);  // Ignored: as show().
  // As in show(): the start's show command may have replaced the first call.
  if (::IsWindowVisible(hwnd())) (void)::ShowWindow(hwnd(), SW_HIDE);
}

bool Form1::isShown() const { return hwnd() != nullptr && ::IsWindowVisible(hwnd()); }

ui::MenuCommand Form1::popupMenu(ui::ScreenPoint at) {
  HMENU popup = menu();
  // Our window must be the foreground window, or the menu does not close
  // when the user clicks elsewhere. Ignored: the menu opens either way.
  (void)::SetForegroundWindow(hwnd());
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY;
  flags |= ::GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  // 0: dismissed (or the menu failed to open, which is the same to the user).
  const BOOL chosen = ::TrackPopupMenuEx(popup, flags, at.x, at.y, hwnd(), nullptr);
  // Makes the shell switch tasks properly, so the next popup opens and
  // closes as it should. Ignored: without it only that nicety is lost.
  (void)::PostMessageW(hwnd(), WM_NULL, 0, 0);
  switch (chosen) {
    case static_cast<BOOL>(ui::MenuCommand::Configure): return ui::MenuCommand::Configure;
    case static_cast<BOOL>(ui::MenuCommand::Exit): return ui::MenuCommand::Exit;
    default: return ui::MenuCommand::None;
  }
}

void Form1::unload(ui::UnloadCause cause) {
  if (hwnd() == nullptr) return;
  // The window goes and the run ends whatever the unload step does; a
  // failure in it still reaches the caller. A window merely destroyed (its
  // owner went out of scope) ends nothing.
  struct EndAtExit {
    Form1& form;
    ~EndAtExit() {
      form.destroy();
      ::PostQuitMessage(0);
    }
  } endAtExit{*this};
  if (events_) events_->unloading(cause);
}

void Form1::destroyed() {
  if (tips_) tips_->ownerDestroyed();
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return 0;  // No default button: Enter presses nothing.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, check boxes and groups on the dialog's face, as in a dialog
      // box; a plain window would give them the white of an edit field.
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    }
    case WM_ACTIVATE:
      onActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_TIMER:
      if (wParam == Timer1Id && events_) events_->timerFired();
      if (wParam == ShellTrayIcon::RetryTimerId && tray_) tray_->retryTimerFired();
      return 0;
    case WM_CLOSE:
      if (events_) events_->closeClicked();
      return 0;
    case WM_QUERYENDSESSION:
      onQueryEndSession(lParam);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) onEndSession();
      return 0;
    case WM_NOTIFY:
      if (tips_ && tips_->answer(*reinterpret_cast<NMHDR*>(lParam), reports_)) return 0;
      return ::DefWindowProcW(hwnd(), message, wParam, lParam);
    case WM_DESTROY:
      // The names are taken back while the controls still exist.
      names_.reset();
      return 0;
    case WM_GETDPISCALEDSIZE: {
      // The size the twips layout wants at the new DPI, so the client area
      // is exactly that after the move, not the old one scaled.
      *reinterpret_cast<SIZE*>(lParam) = windowSizeAt(static_cast<int>(wParam));
      return TRUE;
    }
    case WM_DPICHANGED:
      onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
      // The system's DPI and its small-icon size may have changed with them.
      refreshTrayImage();
      return ::DefWindowProcW(hwnd(), message, wParam, lParam);
    case ShellTrayIcon::CallbackMessage:
      onTrayCallback(wParam, lParam);
      return 0;
    default:
      if (message == taskbarCreated_) {
        // The shell also announces itself after a change of the DPI.
        refreshTrayImage();
        if (tray_) tray_->taskbarCreated();
        return 0;
      }
      if (message == configureRequest_) {
        // Another start of the program; its parameters are not looked at.
        if (events_) events_->configureRequested();
        return 0;
      }
      return ::DefWindowProcW(hwnd(), message, wParam, lParam);
  }
}

void Form1::onCommand(int id, int code, HWND source) {
  // Without a control as its source the command is the dialog manager's
  // IDOK or IDCANCEL for Enter or Escape (or an accelerator): nothing.
  // Until the hand-over the controls are being filled: what they report is
  // the program's own doing.
  if (source == nullptr || !hasControls() || !controls_.has(id) || events_ == nullptr) return;
  if (code == BN_CLICKED) {
    if (id == ui::ids::ok) {
      events_->okClicked();
    } else if (id == ui::ids::cancel) {
      events_->cancelClicked();
    } else if (id == ui::ids::deletedEntries) {
      if (openDeletedEntries_) openDeletedEntries_();
    } else if (controls_.kindOf(id) == ui::ControlKind::CheckBox) {
      onCheckBoxClicked(id);
    }
  } else if (code == CBN_SELCHANGE && id == ui::ids::Combo13) {
    events_->priorityPicked();
  } else if ((code == CBN_SELCHANGE && controls_.kindOf(id) == ui::ControlKind::DropDownList) ||
             (code == EN_CHANGE && controls_.kindOf(id) == ui::ControlKind::TextBox)) {
    // A hive picked, a key path or value name changed. An edit control also
    // says so for a text set by code; the program ignores what arrives
    // while its own handler sets them.
    events_->ruleEdited();
  }
}

void Form1::onCheckBoxClicked(int id) {
  HWND box = controls_[id];
  const auto now = static_cast<CheckState>(::SendMessageW(box, BM_GETCHECK, 0, 0));
  ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(ui::clickedState(now)), 0);
  if (id == ui::ids::scanenabled) {
    events_->scannerClicked();
  } else {
    events_->ruleEdited();
  }
}

void Form1::onActivate(bool active) {
  // A plain window does not remember its focused control as a dialog does.
  if (!active) {
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
    return;
  }
  if (lastFocus_ != nullptr) ::SetFocus(lastFocus_);
}

void Form1::onTrayCallback(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(lParam) != ShellTrayIcon::Id || events_ == nullptr) return;
  // Version 4: the event in the low word, the pointer's position in wParam.
  events_->trayNotified({LOWORD(lParam), {GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}});
}

void Form1::onQueryEndSession(LPARAM flags) {
  // An installer closes the program through the Restart Manager to replace
  // its files: have it started again afterwards. Not after a crash or a
  // hang, and not at a restart of the computer, where its Run value starts
  // it. Registered only here, the last moment the documentation allows, so
  // that an ordinary logoff never brings a second start at the next sign-in.
  // With /background: the restart is no one's request for the window.
  // Ignored: without it the program only stays closed after the update.
  if ((flags & ENDSESSION_CLOSEAPP) != 0)
    (void)::RegisterApplicationRestart(ui::BackgroundArgument.data(),
                                       RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
}

void Form1::refreshTrayImage() {
  try {
    loadTrayImage();
  } catch (const Win32Error&) {
    // The old image stays: scaled by the task bar, but there. Not worth
    // ending the program for.
  }
}

void Form1::onEndSession() {
  // The process may end as soon as this returns: the program does its last
  // step now (normally the unload and its save).
  if (events_) events_->sessionEnding();
  // If that step was interrupting a message box (the unload itself may be
  // waiting for an answer), the window has to go here. The WM_QUIT also
  // ends the message's loop, so the interrupted handler returns and finds
  // the run ended.
  destroy();
  ::PostQuitMessage(0);
}

}  // namespace vorlix::win32
