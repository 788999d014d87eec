// The notification-area icon's callbacks and the popup menu's commands.
#pragma once

#include <cstdint>

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
// it and is ignored, so the menu opens once.
constexpr bool decodeTrayEvent(std::uint32_t code) { return code == tray_code::ContextMenu; }

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
