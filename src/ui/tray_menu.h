// The notification-area icon's callbacks and the popup menu's commands.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/scan_timing.h"
#include "ui/toolkit.h"

namespace vorlix::ui {

// The codes the shell sends with the icon's callback message (the low word
// of lParam, NOTIFYICON_VERSION_4). The window messages keep their numbers.
namespace tray_code {
inline constexpr std::uint32_t ContextMenu = 0x007B;     // WM_CONTEXTMENU
inline constexpr std::uint32_t MouseMove = 0x0200;       // WM_MOUSEMOVE
inline constexpr std::uint32_t LeftDown = 0x0201;        // WM_LBUTTONDOWN
inline constexpr std::uint32_t LeftUp = 0x0202;          // WM_LBUTTONUP
inline constexpr std::uint32_t LeftDoubleClick = 0x0203; // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t RightDown = 0x0204;       // WM_RBUTTONDOWN
inline constexpr std::uint32_t RightUp = 0x0205;         // WM_RBUTTONUP
inline constexpr std::uint32_t Select = 0x0400;          // NIN_SELECT
inline constexpr std::uint32_t KeySelect = 0x0401;       // NIN_KEYSELECT
}  // namespace tray_code

// True when the notification opens the popup menu. With version 4 the shell
// reports the right-button release as WM_CONTEXTMENU, which is also what the
// keyboard (Shift+F10, the menu key) sends; WM_RBUTTONUP comes just before
// it and is ignored, so the menu opens once. Enter or Space on the icon
// selected from the keyboard arrives as NIN_KEYSELECT and opens the same
// menu. NIN_SELECT is left alone: the shell also sends it for a plain left
// click, which does nothing.
constexpr bool decodeTrayEvent(std::uint32_t code) {
  return code == tray_code::ContextMenu || code == tray_code::KeySelect;
}

// The balloon that the icon shows once after an install. On Windows 11 a
// new icon lands in the overflow behind the arrow by the clock, where no one
// sees it: the balloon says where Vorlix is and how to keep it in view. The
// shell takes at most 63 characters of title and 255 of text.
inline constexpr std::wstring_view WhereNoticeTitle = L"Vorlix runs in the notification area";
inline constexpr std::wstring_view WhereNoticeText =
    L"Right-click its icon, the cyan cubes, to configure it. If the icon is not on the task bar, "
    L"it is behind the arrow next to the clock. To keep it in view on Windows 11: Settings > "
    L"Personalization > Taskbar > Other system tray icons, Vorlix on.";

// The shell's side of the icon, one call per action.
class TrayShell {
 public:
  // True when the shell took the icon (or still had it).
  virtual bool addIcon() = 0;
  virtual void removeIcon() = 0;
  // A balloon from the shown icon; true when the shell took it.
  virtual bool showBalloon(std::wstring_view title, std::wstring_view text) = 0;

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

  void want();
  void unwant();
  // "TaskbarCreated": the shell (re)started and has forgotten the icon.
  void shellAnnounced();
  void retryDue();
  // Shows the notice of where Vorlix is (WhereNoticeText) from the icon as
  // soon as it is shown, once; `told` runs when the shell has taken it. A
  // balloon the shell refuses is tried again at the next add.
  void tellWhereOnce(std::function<void()> told);

  bool wanted() const { return wanted_; }
  bool shown() const { return shown_; }

 private:
  void tryAdd();
  void tellWhereIfDue();

  TrayShell& shell_;
  ScanTimer& retry_;
  bool wanted_ = false;
  bool shown_ = false;
  std::function<void()> told_;  // empty: nothing to tell
};

// `Configure`: shows the window (controls untouched), then stops scanning
// while the user edits.
void runConfigure(WindowToolkit& window, ScanTiming& timing);

// `exit`: unloads the window, the same path as the close box.
void runExit(WindowToolkit& window);

// A click on a check box: Unchecked and Checked swap, Grayed (which only a
// stored value puts there) becomes Checked.
constexpr CheckState clickedState(CheckState state) {
  return state == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
}

}  // namespace vorlix::ui
