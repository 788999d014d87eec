#include "platform/win32/rule_tooltip.h"

#include <commctrl.h>

#include "platform/win32/check.h"

namespace vorlix::win32 {
namespace {

// Wide enough for a full path on one line in most rows; longer ones wrap.
constexpr int MaxTipWidth96 = 560;
// The longest a tip may stay: it has a few lines to read.
constexpr int ShowTipMilliseconds = 30000;

}  // namespace

RuleTooltip::RuleTooltip(HWND owner, HINSTANCE instance, int dpi) : owner_(owner) {
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_BAR_CLASSES;  // the tooltip class
  // Ignored: without the class the creation below fails, and says so.
  (void)::InitCommonControlsEx(&icc);
  // TTS_ALWAYSTIP: the tips show also while another window is active.
  // TTS_NOPREFIX: an ampersand in a path is shown, not taken for a mnemonic.
  window_.reset(checkNotNull(
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr),
      "CreateWindowExW"));
  ::SendMessageW(window(), TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(ShowTipMilliseconds, 0));
  setDpi(dpi);
}

void RuleTooltip::addRowControl(HWND control) {
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  // The control itself is the tool, and the tooltip watches its mouse
  // messages by subclassing it: nothing to relay by hand.
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  // TTM_ADDTOOLW says only FALSE, without a reason.
  if (!::SendMessageW(window(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)))
    throw Win32Refusal("TTM_ADDTOOLW answered FALSE");
}

void RuleTooltip::setDpi(int dpi) {
  // The tooltip's own font is the system's status font at the system's DPI,
  // too small or too large on a monitor of another DPI.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  checkBool(::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                         static_cast<UINT>(dpi)),
            "SystemParametersInfoForDpi");
  unique_hfont font(checkNotNull(::CreateFontIndirectW(&metrics.lfStatusFont), "CreateFontIndirectW"));
  ::SendMessageW(window(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // The tooltip holds the new font now; the old one can go.
  font_ = std::move(font);
  // Also what makes a tip take several lines: without a width it has one.
  ::SendMessageW(window(), TTM_SETMAXTIPWIDTH, 0, ::MulDiv(MaxTipWidth96, dpi, 96));
}

bool RuleTooltip::answer(NMHDR& header, const ui::RuleReports* reports) {
  if (header.hwndFrom != window() || header.code != TTN_GETDISPINFOW) return false;
  auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
  // With TTF_IDISHWND the tool's id is the control's window.
  const int slot = ui::ruleRowOf(::GetDlgCtrlID(reinterpret_cast<HWND>(header.idFrom)));
  try {
    text_ = reports != nullptr && slot != 0 ? reports->describeRule(slot) : std::wstring();
  } catch (...) {
    // Out of memory: no tip this time; the window goes on as it is.
    text_.clear();
  }
  info.hinst = nullptr;
  info.lpszText = text_.data();
  return true;
}

}  // namespace vorlix::win32
