// Form1 as the program sees it, `ConfigWindow`: the few operations and
// events of the configuration window that the program uses. The Win32
// window Form1 implements it; tests use an in-memory window.
#pragma once

#include <cstdint>

#include "core/controls.h"
#include "core/scan_timing.h"
#include "ui/layout.h"
#include "ui/tray_icon.h"

namespace vorlix::ui {

struct ScreenPoint {
  int x = 0;
  int y = 0;
  bool operator==(const ScreenPoint&) const = default;
};

// What unloads the window. Every cause runs the same unload step; the cause
// only tells the flows what they may still ask of the user.
enum class UnloadCause : std::uint8_t { CloseBox, Exit, EndOfSession };

// One notification from the notification-area icon: the shell's code for the
// mouse or keyboard event (see tray_code) and where it happened.
struct TrayNotification {
  std::uint32_t code = 0;
  ScreenPoint anchor;  // in screen pixels
};

// The events of the window, raised one at a time on the window's thread.
// The program's wiring implements this. A handler that opens a message box
// or the popup menu runs a message loop of its own, so any of these can
// also arrive while another is still in progress; the program decides what
// each does then.
class WindowEvents {
 public:
  virtual void okClicked() = 0;
  virtual void cancelClicked() = 0;
  // A user's click on `scanenabled`; the box already shows its new state.
  // Code that assigns the box through ProgramOptions raises its reaction
  // there instead, so the two never double up.
  virtual void scannerClicked() = 0;
  // A user's pick in `Combo13`; the same rule as for the scanner box.
  virtual void priorityPicked() = 0;
  // A user's edit of a rule row: a key path or value name typed, a hive
  // picked, an enable box clicked.
  virtual void ruleEdited() = 0;
  virtual void timerFired() = 0;
  // The registry watch's report of a change under a watched key.
  virtual void registryChanged() = 0;
  // Every callback of the notification-area icon, undecoded.
  virtual void trayNotified(const TrayNotification& notification) = 0;
  // The close box (or anyone else asking the window to close). The window
  // stays until the program unloads it.
  virtual void closeClicked() = 0;
  // Another start of the program, in this session, asks the running copy
  // for its configuration window instead of running beside it.
  virtual void configureRequested() = 0;
  // The session is ending: the process may be ended as soon as this
  // returns, and the window goes with it whatever the program was doing.
  virtual void sessionEnding() = 0;
  // Raised once by ConfigWindow::unload, while the window and its controls
  // still exist; afterwards the window is destroyed and the run ends.
  virtual void unloading(UnloadCause cause) = 0;

 protected:
  ~WindowEvents() = default;
};

class ConfigWindow {
 public:
  // Modeless. A window already shown stays shown.
  virtual void show() = 0;
  virtual void hide() = 0;
  virtual bool isShown() const = 0;
  // Opens `menu` as a popup at the point and returns the chosen item, or
  // MenuCommand::None when the user dismissed it. Raises no event itself.
  virtual MenuCommand popupMenu(ScreenPoint at) = 0;
  // Raises WindowEvents::unloading, then destroys the window, which ends
  // the run. Once the window is gone, later calls do nothing.
  virtual void unload(UnloadCause cause) = 0;

  // The window's controls (the live configuration), its timer Timer1, the
  // registry watch of "Instant" and its notification-area icon.
  virtual ConfigControls& controls() = 0;
  virtual ScanTimer& timer() = 0;
  virtual RegistryWatch& registryWatch() = 0;
  virtual TrayIcon& trayIcon() = 0;

  // Where the events go; the wiring sets this once the window exists.
  virtual void setEvents(WindowEvents* events) = 0;

 protected:
  ~ConfigWindow() = default;
};

// A click on a check box: Unchecked and Checked swap, Grayed (which only a
// stored value puts there) becomes Checked.
constexpr CheckState clickedState(CheckState state) {
  return state == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
}

}  // namespace vorlix::ui
