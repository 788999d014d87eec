// The program's icon in the notification area: what the program asks of it
// (TrayIcon), and how it is kept there while the program wants it
// (TrayIconKeeper, over the shell's own calls).
#pragma once

#include <cstdint>

#include "core/scan_timing.h"

namespace vorlix::ui {

// The notification-area icon that the window owns.
class TrayIcon {
 public:
  virtual void addTrayIcon() = 0;
  virtual void deleteTrayIcon() = 0;
  // Between addTrayIcon and deleteTrayIcon, shown or not: the shell may
  // refuse it for a while.
  virtual bool added() const = 0;
  // The popup menu closed without a choice: the keyboard focus goes back
  // to the notification area, where the user left it.
  virtual void focusNotificationArea() = 0;

 protected:
  ~TrayIcon() = default;
};

// The shell's side of the icon, one call per action.
class TrayShell {
 public:
  // True when the shell took the icon (or still had it).
  virtual bool tryAddIcon() = 0;
  virtual void deleteIcon() = 0;

 protected:
  ~TrayShell() = default;
};

// Keeps the icon in the notification area while the program wants it. The
// shell can refuse an add (at sign-in on a busy machine) without announcing
// itself later, so a refused icon is tried again on `retry` every
// RetryInterval, and whenever the shell announces itself, until it is
// shown. The retry timer is not the scan timer: scanning goes on meanwhile.
class TrayIconKeeper {
 public:
  static constexpr std::int32_t RetryInterval = 3000;  // milliseconds

  TrayIconKeeper(TrayShell& shell, ScanTimer& retry);
  TrayIconKeeper(const TrayIconKeeper&) = delete;
  TrayIconKeeper& operator=(const TrayIconKeeper&) = delete;

  void addTrayIcon();
  void deleteTrayIcon();
  // "TaskbarCreated": the shell (re)started and has forgotten the icon.
  void taskbarCreated();
  void retryTimerFired();

  bool added() const { return added_; }
  bool shown() const { return shown_; }

 private:
  // Asks the shell now, and again on the retry timer while it refuses.
  void addOrRetryLater();

  TrayShell& shell_;
  ScanTimer& retry_;
  bool added_ = false;
  bool shown_ = false;
};

}  // namespace vorlix::ui
