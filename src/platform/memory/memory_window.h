// The configuration window in plain memory, for host tests of the program's
// wiring: it records what was asked of it and lets a test act as the user.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/memory/manual_timer.h"
#include "platform/memory/memory_controls.h"
#include "platform/memory/memory_registry_watch.h"
#include "ui/config_window.h"

namespace vorlix {

// The icon and the shell's notification area in one: the shell refuses as
// many adds as the test asks, and retryTimer brings the keeper's retries.
class MemoryTrayIcon final : public ui::TrayIcon, private ui::TrayShell {
 public:
  MemoryTrayIcon();
  MemoryTrayIcon(const MemoryTrayIcon&) = delete;
  MemoryTrayIcon& operator=(const MemoryTrayIcon&) = delete;

  void addTrayIcon() override;
  void deleteTrayIcon() override;
  void focusNotificationArea() override;
  bool added() const override { return keeper_.added(); }
  // The shell broadcasts "TaskbarCreated".
  void taskbarCreated() { keeper_.taskbarCreated(); }

  int adds = 0;  // the program's requests
  int deletes = 0;
  int focusReturns = 0;
  bool shown = false;  // the icon is in the notification area
  int refuseAdds = 0;  // the shell refuses this many of the adds to come
  int shellAdds = 0;   // the adds the shell was asked for, retries included
  ManualTimer retryTimer;
  std::vector<std::wstring>* log = nullptr;

 private:
  bool tryAddIcon() override;
  void deleteIcon() override;

  ui::TrayIconKeeper keeper_;
};

class MemoryWindow final : public ui::ConfigWindow {
 public:
  // Timer1's firings (timerMemory.advance) reach the events like WM_TIMER,
  // and so do the watch's reports (watchMemory.change).
  MemoryWindow();
  MemoryWindow(const MemoryWindow&) = delete;
  MemoryWindow& operator=(const MemoryWindow&) = delete;

  void show() override;
  void hide() override;
  bool isShown() const override { return shown_; }
  ui::MenuCommand popupMenu(ui::ScreenPoint at) override;
  void unload(ui::UnloadCause cause) override;

  ConfigControls& controls() override { return controlsMemory; }
  ScanTimer& timer() override { return timerMemory; }
  RegistryWatch& registryWatch() override { return watchMemory; }
  ui::TrayIcon& trayIcon() override { return trayMemory; }
  void setEvents(ui::WindowEvents* events) override { events_ = events; }

  // The user's actions, raising what the real window raises.
  void clickScanner();
  void pickPriority(std::int16_t index);
  // Edits of a rule row.
  void typeText(TextField field, int slot, std::wstring_view text);
  void pickHive(int slot, std::int16_t index);
  void clickRuleBox(int slot);
  void clickOk();
  void clickCancel();
  void clickCloseBox();
  // A right click on the icon: the shell's two notifications for it.
  void rightClickIcon(ui::ScreenPoint at = {});
  // Vorlix started again in this session: its request for the window.
  void startAgain();
  // The system ends the session (WM_ENDSESSION); the window goes with it.
  void endSession();

  MemoryControls controlsMemory;
  ManualTimer timerMemory;
  MemoryRegistryWatch watchMemory;
  MemoryTrayIcon trayMemory;

  // What the next popup returns, as if the user chose it.
  ui::MenuCommand nextMenuChoice = ui::MenuCommand::None;
  // Runs while the popup is open, as events that arrive in its loop.
  std::function<void()> whileMenuOpen;
  std::vector<ui::ScreenPoint> popups;
  int shows = 0;  // calls that made a hidden window visible
  int hides = 0;
  bool unloaded = false;
  int unloadRequests = 0;  // every call, the ones the guard drops included
  std::vector<ui::UnloadCause> unloads;
  // What was asked of the window, its timer, its watch and its icon, in
  // order: "show", "hide", "add icon", "delete icon", "timer on",
  // "interval 1000", "watch on, hold 0", ...
  std::vector<std::wstring> log;

 private:
  ui::WindowEvents& events();

  ui::WindowEvents* events_ = nullptr;
  bool shown_ = false;
  bool unloading_ = false;
};

}  // namespace vorlix
