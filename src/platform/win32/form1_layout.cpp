// Form1's controls: created from the layout tables, placed in pixels at the
// window's DPI, and placed again with a new font and icons when it changes.
#include "platform/win32/form1.h"

#include <commctrl.h>

#include <string>

#include "core/unexpected_failure.h"
#include "platform/win32/check.h"
#include "platform/win32/resource_ids.h"

namespace vorlix::win32 {
namespace {

// The classic dialog font. Its 8 points give a 13-pixel line at 96 DPI,
// which is what the 195-twip check boxes hold.
constexpr wchar_t DialogFontFace[] = L"MS Shell Dlg 2";
constexpr int DialogFontPoints = 8;

struct ControlClass {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
};

// Every focusable control starts its own group, so the arrow keys never
// move the focus between controls; only TAB does, in creation order.
constexpr DWORD Focusable = WS_TABSTOP | WS_GROUP;

ControlClass controlClass(const ui::PlacedControl& c) {
  switch (c.kind) {
    case ui::ControlKind::GroupBox:
      return {L"BUTTON", BS_GROUPBOX, 0};
    // SS_NOTIFY: the label hears the mouse, so its row's tip shows over it.
    case ui::ControlKind::Label:
      return {L"STATIC",
              static_cast<DWORD>(SS_NOPREFIX | SS_NOTIFY |
                                 (c.align == ui::TextAlign::Right ? SS_RIGHT : SS_LEFTNOWORDWRAP)),
              0};
    // Not BS_AUTO3STATE: that would cycle through Grayed on a click.
    case ui::ControlKind::CheckBox:
      return {L"BUTTON", BS_3STATE | Focusable, 0};
    case ui::ControlKind::DropDownList:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | Focusable, 0};
    case ui::ControlKind::TextBox:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | Focusable, WS_EX_CLIENTEDGE};
    case ui::ControlKind::PushButton:
      return {L"BUTTON", BS_PUSHBUTTON | Focusable, 0};
  }
  unreachable("a control kind without a window class");
}

}  // namespace

// Each control is made in its place: under Wine, moving ~90 controls
// afterwards cost the first Configure most of what making them cost again.
void Form1::createControls() {
  for (const ui::PlacedControl& c : layout_) {
    const ControlClass cls = controlClass(c);
    const ui::PixelRect r = ui::toPixels(c.inWindow, dpi_);
    HWND child = checkNotNull(
        ::CreateWindowExW(cls.exStyle, cls.className, std::wstring(c.caption).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style, r.left, r.top,
                          r.width(), r.height(), hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr),
        "CreateWindowExW");
    controls_.add(c.id, child, c.kind);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (c.kind == ui::ControlKind::TextBox) {
      // No length limit: 0 raises the limit to the largest the control takes.
      ::SendMessageW(child, EM_SETLIMITTEXT, 0, 0);
    }
    for (std::wstring_view entry : ui::listEntries(c.list)) {
      const LRESULT at = ::SendMessageW(child, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(std::wstring(entry).c_str()));
      if (at == CB_ERRSPACE) throw Win32Refusal("CB_ADDSTRING answered CB_ERRSPACE");
      if (at == CB_ERR) throw Win32Refusal("CB_ADDSTRING answered CB_ERR");
    }
    if (c.kind == ui::ControlKind::DropDownList)
      placeComboBox(child, r, static_cast<int>(ui::listEntries(c.list).size()));
  }
}

void Form1::layOut() {
  for (const ui::PlacedControl& c : layout_) {
    const ui::PixelRect r = ui::toPixels(c.inWindow, dpi_);
    HWND child = controls_[c.id];
    if (c.kind == ui::ControlKind::DropDownList) {
      placeComboBox(child, r, static_cast<int>(ui::listEntries(c.list).size()));
      continue;
    }
    checkBool(::SetWindowPos(child, nullptr, r.left, r.top, r.width(), r.height(),
                             SWP_NOZORDER | SWP_NOACTIVATE),
              "SetWindowPos");
  }
  ::InvalidateRect(hwnd(), nullptr, TRUE);  // Ignored: fails only without a window.
}

// A drop-down list's window is as high as its selection field, and the
// field follows the item height: adjust that until the field is as high as
// the table says. The height given to SetWindowPos is that of the opened
// list, which shrinks to its entries: all of them show without scrolling.
void Form1::placeComboBox(HWND combo, const ui::PixelRect& field, int entries) {
  const LRESULT entryHeight = ::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
  const int dropped = field.height() + static_cast<int>(entryHeight) * entries + 4;
  checkBool(::SetWindowPos(combo, nullptr, field.left, field.top, field.width(), dropped,
                           SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
  // Steered by what the field measures, not by what the control reports
  // back as its item height: Wine reports two more than it was given.
  LRESULT itemHeight = ::SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int attempt = 0; attempt < 4 && itemHeight != CB_ERR; ++attempt) {
    RECT now{};
    checkBool(::GetWindowRect(combo, &now), "GetWindowRect");
    const int error = field.height() - static_cast<int>(now.bottom - now.top);
    if (error == 0 || itemHeight + error <= 0) break;
    itemHeight += error;
    // Ignored: a refused height leaves the field at the font's own height.
    (void)::SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight);
  }
}

void Form1::rebuildFont() {
  LOGFONTW lf{};
  lf.lfHeight = -::MulDiv(DialogFontPoints, dpi_, 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = CLEARTYPE_QUALITY;
  std::wstring_view face = DialogFontFace;
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  unique_hfont font(checkNotNull(::CreateFontIndirectW(&lf), "CreateFontIndirectW"));
  for (const auto& [id, child] : controls_.all())
    ::SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // The controls hold the new font now; the old one can go.
  font_ = std::move(font);
}

// The window's own icons serve only a shown window: they come with the
// controls.
void Form1::loadIcons() {
  auto load = [&](int widthMetric, int heightMetric) {
    return unique_hicon(static_cast<HICON>(checkNotNull(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VORLIX), IMAGE_ICON,
                     ::GetSystemMetricsForDpi(widthMetric, static_cast<UINT>(dpi_)),
                     ::GetSystemMetricsForDpi(heightMetric, static_cast<UINT>(dpi_)),
                     LR_DEFAULTCOLOR),
        "LoadImageW")));
  };
  unique_hicon big = load(SM_CXICON, SM_CYICON);
  unique_hicon small = load(SM_CXSMICON, SM_CYSMICON);
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // Only now is nothing using the old images any more.
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

// The task bar draws its icons at the system's DPI, whichever monitor the
// window is on: the small icon size of that DPI, taken from the .ico's frame
// of that size (it has one for 100, 125, 150, 200, 250 and 300 %). Not
// LoadIconMetric, which would bring the common controls into every start,
// most of which never open the window. Loaded again only when that size
// changed.
void Form1::loadTrayImage() {
  const int width = ::GetSystemMetrics(SM_CXSMICON);
  if (trayImage_ && width == trayImageWidth_) return;
  unique_hicon image(static_cast<HICON>(checkNotNull(
      ::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VORLIX), IMAGE_ICON, width,
                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR),
      "LoadImageW")));
  if (tray_) tray_->setImage(image.get());
  // The shell has the new image now; the old one can go.
  trayImage_ = std::move(image);
  trayImageWidth_ = width;
}

SIZE Form1::windowSizeAt(int dpi) const {
  RECT frame{0, 0, ui::twipsToPixels(ui::WindowClientWidth, dpi),
             ui::twipsToPixels(ui::WindowClientHeight, dpi)};
  checkBool(::AdjustWindowRectExForDpi(&frame, Style, FALSE, ExStyle, static_cast<UINT>(dpi)),
            "AdjustWindowRectExForDpi");
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void Form1::sizeWindowToClientArea() {
  const SIZE size = windowSizeAt(dpi_);
  checkBool(::SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
}

void Form1::onDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  checkBool(::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top,
                           suggested.right - suggested.left, suggested.bottom - suggested.top,
                           SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
  // Without controls yet, they take the new DPI when they are made.
  if (hasControls()) {
    rebuildFont();
    layOut();
    loadIcons();
  }
  if (tips_) tips_->setDpi(dpi);
}

}  // namespace vorlix::win32
