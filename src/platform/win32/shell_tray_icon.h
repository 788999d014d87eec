// The program's icon in the notification area. One shell action per
// function; the shell call itself is a seam so tests can count the calls.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string_view>

#include "platform/win32/window_timer.h"
#include "ui/tray_icon.h"

namespace vorlix::win32 {

class ShellTrayIcon final : public ui::TrayIcon, private ui::TrayShell {
 public:
  using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

  static constexpr UINT Id = 1;
  // Our own callback message: the shell's notifications never mix with the
  // window's real mouse messages.
  static constexpr UINT CallbackMessage = WM_APP + 1;
  // The owner's timer for the retries of a refused add; Timer1 is 1.
  static constexpr UINT_PTR RetryTimerId = 2;
  static constexpr std::wstring_view Tip = L"Vennik's Vorlix";

  ShellTrayIcon(HWND owner, HICON image, ShellNotify shell = &::Shell_NotifyIconW);
  ShellTrayIcon(const ShellTrayIcon&) = delete;
  ShellTrayIcon& operator=(const ShellTrayIcon&) = delete;
  // Never leaves an icon behind for a window that is gone.
  ~ShellTrayIcon();

  // Without an icon the program scans on as configured; a refused add is
  // tried again (see ui::TrayIconKeeper).
  void addTrayIcon() override;
  void deleteTrayIcon() override;
  void focusNotificationArea() override;
  // The shell (re)started: show the icon again if the program wants it.
  void taskbarCreated();
  // The owner's WM_TIMER for RetryTimerId.
  void retryTimerFired();
  // A new image for the same icon, e.g. the small icon at a new DPI.
  void setImage(HICON image);

  bool added() const override { return keeper_.added(); }
  bool shown() const { return keeper_.shown(); }

 private:
  bool tryAddIcon() override;
  void deleteIcon() override;

  NOTIFYICONDATAW record_{};
  ShellNotify shell_;
  WindowTimer retry_;
  ui::TrayIconKeeper keeper_;
};

// The message the shell broadcasts to top-level windows when the task bar is
// created, e.g. after explorer restarted.
UINT taskbarCreatedMessage();

}  // namespace vorlix::win32
