// The tips of the rule rows: one tooltip control over every control of the
// twelve rows, its text asked for each time a tip is about to show, so it
// tells the row's fields and the scans' records of that moment.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"
#include "ui/rule_tip_text.h"

namespace vorlix::win32 {

class RuleTooltip {
 public:
  // Creates the tooltip control for `owner`. Throws Win32Error.
  RuleTooltip(HWND owner, HINSTANCE instance, int dpi);
  RuleTooltip(const RuleTooltip&) = delete;
  RuleTooltip& operator=(const RuleTooltip&) = delete;

  HWND window() const { return window_.get(); }

  // Shows the tip of the control's row over it. A static label needs
  // SS_NOTIFY, or it lets the mouse through to the window and the tooltip
  // never hears it.
  void addRowControl(HWND control);
  // The tips' font and the width at which they wrap follow the window's DPI.
  void setDpi(int dpi);

  // Answers TTN_GETDISPINFOW with the row's text from `reports`; false for
  // any other notification.
  bool answer(NMHDR& header, const ui::RuleReports* reports);

  // The owner's destruction took the tooltip with it.
  void ownerDestroyed() { (void)window_.release(); }

 private:
  HWND owner_;
  unique_hfont font_;  // outlives the tooltip that uses it
  unique_hwnd window_;
  // The text handed out must live until the tooltip has copied it.
  std::wstring text_;
};

}  // namespace vorlix::win32
