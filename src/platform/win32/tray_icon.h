// The program's icon in the notification area. One shell action per
// function; the shell call itself is a seam so tests can count the calls.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string_view>

#include "ui/toolkit.h"

namespace vorlix::win32 {

class TrayIcon final : public ui::NotificationIcon {
 public:
  using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;

  static constexpr UINT Id = 1;
  // Our own callback message: the shell's notifications never mix with the
  // window's real mouse messages.
  static constexpr UINT CallbackMessage = WM_APP + 1;
  static constexpr std::wstring_view Tip = L"Vennik's Vorlix";

  TrayIcon(HWND owner, HICON image, ShellNotify shell = &::Shell_NotifyIconW);
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  // Never leaves an icon behind for a window that is gone.
  ~TrayIcon();

  // The results of the shell calls change nothing for the caller: without
  // an icon the program scans on as configured. A failed add is retried
  // when the shell announces itself with "TaskbarCreated".
  void addTrayIcon() override;
  void deleteTrayIcon() override;
  // The shell (re)started: show the icon again if the program wants it.
  void taskbarCreated();
  // A new image for the same icon, e.g. the small icon at a new DPI.
  void setImage(HICON image);

  bool wanted() const { return wanted_; }
  bool shown() const { return shown_; }

 private:
  bool add();

  NOTIFYICONDATAW record_{};
  ShellNotify shell_;
  bool wanted_ = false;
  bool shown_ = false;
};

// The message the shell broadcasts to top-level windows when the task bar is
// created, e.g. after explorer restarted.
UINT taskbarCreatedMessage();

}  // namespace vorlix::win32
