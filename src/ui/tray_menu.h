// The icon's menu: which of the icon's notifications open it, and what its
// two commands do.
#pragma once

#include <cstdint>

#include "core/scan_timing.h"
#include "ui/config_window.h"

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

// `Configure`: shows the window (controls untouched), then stops scanning
// while the user edits.
void runConfigure(ConfigWindow& window, ScanTiming& timing);

// `exit`: unloads the window, the same path as the close box.
void runExit(ConfigWindow& window);

}  // namespace vorlix::ui
