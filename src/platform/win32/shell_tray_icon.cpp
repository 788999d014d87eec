#include "platform/win32/shell_tray_icon.h"

#include <algorithm>

#include "platform/win32/check.h"
#include "ui/window_messages.h"

namespace vorlix::win32 {

ShellTrayIcon::ShellTrayIcon(HWND owner, HICON image, ShellNotify shell)
    : shell_(std::move(shell)), retry_(owner, RetryTimerId), keeper_(*this, retry_) {
  record_.cbSize = sizeof(record_);
  record_.hWnd = owner;
  record_.uID = Id;
  // NIF_SHOWTIP: with version 4 the shell shows the plain tip only when asked.
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  record_.uCallbackMessage = CallbackMessage;
  record_.hIcon = image;
  std::copy(Tip.begin(), Tip.end(), record_.szTip);
  record_.szTip[Tip.size()] = L'\0';
}

ShellTrayIcon::~ShellTrayIcon() {
  if (added() || shown()) deleteTrayIcon();
}

void ShellTrayIcon::addTrayIcon() { keeper_.addTrayIcon(); }

void ShellTrayIcon::deleteTrayIcon() { keeper_.deleteTrayIcon(); }

void ShellTrayIcon::taskbarCreated() { keeper_.taskbarCreated(); }

void ShellTrayIcon::retryTimerFired() { keeper_.retryTimerFired(); }

void ShellTrayIcon::focusNotificationArea() {
  // Only while the closed menu left our window in the foreground: a click
  // elsewhere that closed it gave the focus to that window, which keeps it.
  if (!shown() || ::GetForegroundWindow() != record_.hWnd) return;
  // Ignored: a shell that does not take the focus back leaves it with us.
  (void)shell_(NIM_SETFOCUS, &record_);
}

void ShellTrayIcon::setImage(HICON image) {
  record_.hIcon = image;
  // Ignored: if the shell has no icon of ours, the next add carries the image.
  if (shown()) (void)shell_(NIM_MODIFY, &record_);
}

bool ShellTrayIcon::tryAddIcon() {
  // An add for an icon the shell still has fails; the shell also announces
  // itself when it did not restart (a new task bar, a DPI change), so update
  // the existing icon instead.
  if (!shell_(NIM_ADD, &record_) && !shell_(NIM_MODIFY, &record_)) return false;
  // Version 4: the right-button release arrives as WM_CONTEXTMENU with the
  // pointer's position, and the keyboard can open the menu too.
  NOTIFYICONDATAW version = record_;
  version.uVersion = NOTIFYICON_VERSION_4;
  // Ignored: an older shell keeps the plain mouse messages, in which the
  // menu does not open; the icon is still there.
  (void)shell_(NIM_SETVERSION, &version);
  return true;
}

void ShellTrayIcon::deleteIcon() {
  // Ignored: an icon the shell does not know (it restarted and we were not
  // told yet) is as deleted as it gets.
  (void)shell_(NIM_DELETE, &record_);
}

UINT taskbarCreatedMessage() {
  return checkNonZero(::RegisterWindowMessageW(ui::TaskbarCreatedMessage.data()), "RegisterWindowMessageW");
}

}  // namespace vorlix::win32
