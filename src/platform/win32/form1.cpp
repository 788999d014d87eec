#include "platform/win32/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <stdexcept>
#include <string>

#include "platform/win32/check.h"
#include "platform/win32/resource_ids.h"
#include "ui/tray_menu.h"

namespace vorlix::win32 {
namespace {

// Caption, close box; no minimize or maximize box, no sizing border. Not
// WS_CLIPCHILDREN: a group box draws only its frame, so the window must
// paint the inside of the groups itself.
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD WindowExStyle = 0;

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
    case ui::ControlKind::Label:
      return {L"STATIC",
              static_cast<DWORD>(SS_NOPREFIX |
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
  throw std::logic_error("unknown control kind");
}

}  // namespace

Form1::Form1(HINSTANCE instance, TrayIcon::ShellNotify shell) : instance_(instance) {
  // The common controls' version 6 classes come with the manifest; make
  // sure the library is loaded before the first control is created.
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof(icc);
  icc.dwICC = ICC_STANDARD_CLASSES;
  (void)::InitCommonControlsEx(&icc);  // Ignored: user32's own classes remain.

  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (!::GetClassInfoExW(instance_, Form1ClassName, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form1::windowProc;
    wc.hInstance = instance_;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
    wc.lpszClassName = Form1ClassName;
    checkBool(::RegisterClassExW(&wc) != 0, "RegisterClassExW");
  }

  taskbarCreated_ = taskbarCreatedMessage();
  // Created without WS_VISIBLE: the window never appears until Configure.
  checkNotNull(::CreateWindowExW(WindowExStyle, Form1ClassName, ui::WindowCaption.data(),
                                 WindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                                 nullptr, instance_, this),
               "CreateWindowExW");
  // From here on the window exists: a failure must not leave it behind
  // with a procedure that points at a half-built object.
  try {
    dpi_ = static_cast<int>(::GetDpiForWindow(hwnd()));
    if (dpi_ == 0) dpi_ = USER_DEFAULT_SCREEN_DPI;

    menu_.reset(checkNotNull(::CreatePopupMenu(), "CreatePopupMenu"));
    for (const ui::MenuItem& item : ui::MenuItems)
      checkBool(::AppendMenuW(menu_.get(), MF_STRING, static_cast<UINT_PTR>(item.command),
                              std::wstring(item.caption).c_str()),
                "AppendMenuW");

    rebuildFont();
    createControls();
    layOut();
    sizeWindowToClientArea();
    loadIcons();

    timer_.emplace(hwnd(), Timer1Id);
    tray_.emplace(hwnd(), smallIcon_.get(), std::move(shell));
    lastFocus_ = control(ui::ids::scanenabled);
  } catch (...) {
    tray_.reset();
    timer_.reset();
    destroyWindow();
    throw;
  }
}

Form1::~Form1() {
  tray_.reset();
  timer_.reset();
  destroyWindow();
}

HWND Form1::control(int id) const {
  const auto found = controls_.find(id);
  if (found == controls_.end()) throw std::out_of_range("no control with id " + std::to_string(id));
  return found->second;
}

void Form1::createControls() {
  for (const ui::PlacedControl& c : layout_) {
    const ControlClass cls = controlClass(c);
    HWND child = checkNotNull(
        ::CreateWindowExW(cls.exStyle, cls.className, std::wstring(c.caption).c_str(),
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style, 0, 0, 0, 0, hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr),
        "CreateWindowExW");
    controls_.emplace(c.id, child);
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (c.kind == ui::ControlKind::TextBox) {
      // No length limit: 0 raises the limit to the largest the control takes.
      ::SendMessageW(child, EM_SETLIMITTEXT, 0, 0);
    }
    for (std::wstring_view entry : ui::listEntries(c.list)) {
      const LRESULT at = ::SendMessageW(child, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(std::wstring(entry).c_str()));
      if (at == CB_ERR || at == CB_ERRSPACE) throw Win32Error("CB_ADDSTRING", ERROR_OUTOFMEMORY);
    }
  }
}

void Form1::layOut() {
  for (const ui::PlacedControl& c : layout_) {
    const ui::PixelRect r = ui::toPixels(c.inWindow, dpi_);
    HWND child = control(c.id);
    if (c.kind == ui::ControlKind::DropDownList) {
      placeComboBox(child, r);
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
// list, which shrinks to the five entries.
void Form1::placeComboBox(HWND combo, const ui::PixelRect& field) {
  const LRESULT entryHeight = ::SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
  const int dropped = field.height() + static_cast<int>(entryHeight) * ListItemCount + 4;
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
  for (const auto& [id, child] : controls_)
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  // The controls hold the new font now; the old one can go.
  font_ = std::move(font);
}

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
  if (tray_) tray_->setImage(small.get());
  // Only now is nothing using the old images any more.
  bigIcon_ = std::move(big);
  smallIcon_ = std::move(small);
}

void Form1::sizeWindowToClientArea() {
  RECT frame{0, 0, ui::twipsToPixels(ui::WindowClientWidth, dpi_),
             ui::twipsToPixels(ui::WindowClientHeight, dpi_)};
  checkBool(::AdjustWindowRectExForDpi(&frame, WindowStyle, FALSE, WindowExStyle,
                                       static_cast<UINT>(dpi_)),
            "AdjustWindowRectExForDpi");
  checkBool(::SetWindowPos(hwnd(), nullptr, 0, 0, frame.right - frame.left,
                           frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
}

bool Form1::preTranslateMessage(MSG& msg) {
  return hwnd() != nullptr && ::IsDialogMessageW(hwnd(), &msg) != FALSE;
}

void Form1::rethrowPendingFailure() {
  if (pendingFailure_) std::rethrow_exception(std::exchange(pendingFailure_, nullptr));
}

void Form1::show() {
  // Ignored: an already visible window reports that it was visible.
  (void)::ShowWindow(hwnd(), SW_SHOW);
  // Ignored: the system may refuse the foreground; the window is shown anyway.
  (void)::SetForegroundWindow(hwnd());
  if (::GetActiveWindow() == hwnd() && !::IsChild(hwnd(), ::GetFocus())) ::SetFocus(lastFocus_);
}

void Form1::hide() { (void)::ShowWindow(hwnd(), SW_HIDE); }  // Ignored: as show().

bool Form1::isShown() const { return hwnd() != nullptr && ::IsWindowVisible(hwnd()); }

ui::MenuCommand Form1::popupMenu(ui::ScreenPoint at) {
  // Our window must be the foreground window, or the menu does not close
  // when the user clicks elsewhere. Ignored: the menu opens either way.
  (void)::SetForegroundWindow(hwnd());
  UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY;
  flags |= ::GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  // 0: dismissed (or the menu failed to open, which is the same to the user).
  const BOOL chosen = ::TrackPopupMenuEx(menu_.get(), flags, at.x, at.y, hwnd(), nullptr);
  // Makes the shell switch tasks properly, so the next popup opens and
  // closes as it should. Ignored: without it only that nicety is lost.
  (void)::PostMessageW(hwnd(), WM_NULL, 0, 0);
  switch (chosen) {
    case static_cast<BOOL>(ui::MenuCommand::Configure): return ui::MenuCommand::Configure;
    case static_cast<BOOL>(ui::MenuCommand::Exit): return ui::MenuCommand::Exit;
    default: return ui::MenuCommand::None;
  }
}

void Form1::unload(ui::UnloadCause cause) {
  if (unloading_ || hwnd() == nullptr) return;
  unloading_ = true;
  // The window goes whatever the unload step does; a failure in it still
  // reaches the caller.
  struct DestroyAtEnd {
    Form1& form;
    ~DestroyAtEnd() { form.destroyWindow(); }
  } destroyAtEnd{*this};
  if (events_) events_->unloading(cause);
}

void Form1::destroyWindow() {
  // WM_NCDESTROY releases window_, so this destroys the window once.
  if (hwnd() != nullptr) (void)::DestroyWindow(hwnd());  // Ignored: gone either way.
}

ui::ControlKind Form1::kindOf(int id) const {
  for (const ui::PlacedControl& c : layout_)
    if (c.id == id) return c.kind;
  throw std::out_of_range("no control with id " + std::to_string(id));
}

std::int16_t Form1::listIndex(int comboNumber) const {
  requireComboNumber(comboNumber);
  const LRESULT index = ::SendMessageW(control(ui::ids::combo(comboNumber)), CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? NoSelection : static_cast<std::int16_t>(index);
}

void Form1::setListIndex(int comboNumber, std::int16_t index) {
  requireComboNumber(comboNumber);
  requireListIndex(index);
  // CB_SETCURSEL raises no CBN_SELCHANGE: assigning stays silent here. It
  // answers CB_ERR for -1 too, so its result says nothing.
  (void)::SendMessageW(control(ui::ids::combo(comboNumber)), CB_SETCURSEL,
                       static_cast<WPARAM>(index), 0);
}

CheckState Form1::checkValue(int boxNumber) const {
  requireBoxNumber(boxNumber);
  // BST_UNCHECKED, BST_CHECKED and BST_INDETERMINATE are 0, 1 and 2.
  const LRESULT state = ::SendMessageW(control(ui::ids::checkBox(boxNumber)), BM_GETCHECK, 0, 0);
  return static_cast<CheckState>(state);
}

void Form1::setCheckValue(int boxNumber, CheckState state) {
  requireBoxNumber(boxNumber);
  requireCheckState(state);
  // BM_SETCHECK raises no BN_CLICKED.
  ::SendMessageW(control(ui::ids::checkBox(boxNumber)), BM_SETCHECK,
                 static_cast<WPARAM>(state), 0);
}

std::wstring Form1::text(TextField field, int slot) const {
  requireSlotNumber(slot);
  HWND box = control(ui::ids::textBox(field, slot));
  const LRESULT length = ::SendMessageW(box, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      ::SendMessageW(box, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void Form1::setText(TextField field, int slot, std::wstring_view text) {
  requireSlotNumber(slot);
  const std::wstring copy(text);
  if (!::SendMessageW(control(ui::ids::textBox(field, slot)), WM_SETTEXT, 0,
                      reinterpret_cast<LPARAM>(copy.c_str())))
    throw std::length_error("the text box refused a text of " + std::to_string(copy.size()) +
                            " characters");
}

LRESULT CALLBACK Form1::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Form1* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_.reset(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Form1*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    (void)self->window_.release();
    // The run ends with the window it unloaded; a window merely destroyed
    // (its owner went out of scope) ends nothing.
    if (self->unloading_) ::PostQuitMessage(0);
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  try {
    return self->handle(message, wParam, lParam);
  } catch (...) {
    // Exceptions must not unwind through the system's frames.
    self->pendingFailure_ = std::current_exception();
    return 0;
  }
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return 0;  // No default button: Enter presses nothing.
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      // Labels, check boxes and groups on the dialog's face, as in a dialog
      // box; a plain window would give them the white of an edit field.
      HDC dc = reinterpret_cast<HDC>(wParam);
      ::SetTextColor(dc, ::GetSysColor(COLOR_BTNTEXT));
      ::SetBkColor(dc, ::GetSysColor(COLOR_3DFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
    }
    case WM_ACTIVATE:
      onActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_TIMER:
      if (wParam == Timer1Id && events_) events_->timerFired();
      return 0;
    case WM_CLOSE:
      if (events_) events_->closeClicked();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) onEndSession();
      return 0;
    case WM_DPICHANGED:
      onDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case TrayIcon::CallbackMessage:
      onTrayCallback(wParam, lParam);
      return 0;
    default:
      if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        if (tray_) tray_->taskbarCreated();
        return 0;
      }
      return ::DefWindowProcW(hwnd(), message, wParam, lParam);
  }
}

void Form1::onCommand(int id, int code, HWND source) {
  // Without a control as its source the command is the dialog manager's
  // IDOK or IDCANCEL for Enter or Escape (or an accelerator): nothing.
  if (source == nullptr || controls_.find(id) == controls_.end()) return;
  if (code == BN_CLICKED) {
    if (id == ui::ids::ok) {
      if (events_) events_->okClicked();
    } else if (id == ui::ids::cancel) {
      if (events_) events_->cancelClicked();
    } else if (kindOf(id) == ui::ControlKind::CheckBox) {
      onCheckBoxClicked(id);
    }
  } else if (code == CBN_SELCHANGE && id == ui::ids::Combo13) {
    if (events_) events_->priorityPicked();
  }
}

void Form1::onCheckBoxClicked(int id) {
  HWND box = control(id);
  const auto now = static_cast<CheckState>(::SendMessageW(box, BM_GETCHECK, 0, 0));
  ::SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(ui::clickedState(now)), 0);
  if (id == ui::ids::scanenabled && events_) events_->scannerClicked();
}

void Form1::onActivate(bool active) {
  // A plain window does not remember its focused control as a dialog does.
  if (!active) {
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(hwnd(), focus)) lastFocus_ = focus;
    return;
  }
  if (lastFocus_ != nullptr) ::SetFocus(lastFocus_);
}

void Form1::onDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  checkBool(::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top,
                           suggested.right - suggested.left, suggested.bottom - suggested.top,
                           SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
  rebuildFont();
  layOut();
  loadIcons();
}

void Form1::onTrayCallback(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(lParam) != TrayIcon::Id || events_ == nullptr) return;
  // Version 4: the event in the low word, the pointer's position in wParam.
  events_->trayNotified({LOWORD(lParam), {GET_X_LPARAM(wParam), GET_Y_LPARAM(wParam)}});
}

void Form1::onEndSession() {
  // The process may end as soon as this returns: the program does its last
  // step now (normally the unload and its save).
  if (events_) events_->sessionEnding();
  // If that step was interrupting a message box (the unload itself may be
  // waiting for an answer), the window has to go here. Its WM_QUIT also ends
  // the message's loop, so the interrupted handler returns and finds the
  // run ended.
  unloading_ = true;
  destroyWindow();
}

int runMessageLoop(Form1& form) {
  MSG msg;
  for (;;) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    checkBool(got != -1, "GetMessageW");
    if (!form.preTranslateMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    form.rethrowPendingFailure();
  }
}

}  // namespace vorlix::win32
