// Form1, the configuration window: a plain top-level window whose child
// controls are created from the layout tables. It is the one live copy of
// the configuration (ConfigControls), owns Timer1, the popup menu `menu`
// and the notification-area icon, and raises the window's events.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/win32/tray_icon.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window_timer.h"
#include "ui/layout.h"
#include "ui/toolkit.h"

namespace vorlix::win32 {

inline constexpr wchar_t Form1ClassName[] = L"Vorlix.Form1";

class Form1 final : public ui::WindowToolkit, public ConfigControls {
 public:
  static constexpr UINT_PTR Timer1Id = 1;

  // Creates the window hidden, with every control at its initial value.
  // The tray icon is created but not added. Throws Win32Error.
  explicit Form1(HINSTANCE instance, TrayIcon::ShellNotify shell = &::Shell_NotifyIconW);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1();

  HWND hwnd() const { return window_.get(); }
  HWND control(int id) const;
  HMENU menu() const { return menu_.get(); }
  HFONT font() const { return font_.get(); }
  HICON icon() const { return bigIcon_.get(); }
  int dpi() const { return dpi_; }
  TrayIcon& tray() { return *tray_; }

  // The dialog manager's keyboard handling for this window (TAB, arrows).
  // Returns true when it consumed the message. Enter and Escape press nothing.
  bool preTranslateMessage(MSG& msg);
  // A failure that a message handler raised while the window was handling
  // it: the window procedure must not let it cross the system's frames, so
  // it is kept here and thrown again by the message loop.
  void rethrowPendingFailure();

  // ui::WindowToolkit
  void show() override;
  void hide() override;
  bool isShown() const override;
  ui::MenuCommand popupMenu(ui::ScreenPoint at) override;
  void unload(ui::UnloadCause cause) override;
  ConfigControls& controls() override { return *this; }
  ScanTimer& timer() override { return *timer_; }
  ui::NotificationIcon& trayIcon() override { return *tray_; }
  void setEvents(ui::WindowEvents* events) override { events_ = events; }

  // ConfigControls, over the real controls. Assigning raises nothing.
  std::int16_t listIndex(int comboNumber) const override;
  void setListIndex(int comboNumber, std::int16_t index) override;
  CheckState checkValue(int boxNumber) const override;
  void setCheckValue(int boxNumber, CheckState state) override;
  std::wstring text(TextField field, int slot) const override;
  void setText(TextField field, int slot, std::wstring_view text) override;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

  void createControls();
  void layOut();
  void rebuildFont();
  void loadIcons();
  void sizeWindowToClientArea();
  void placeComboBox(HWND combo, const ui::PixelRect& field);

  void onCommand(int id, int code, HWND source);
  void onCheckBoxClicked(int id);
  void onActivate(bool active);
  void onDpiChanged(int dpi, const RECT& suggested);
  void onTrayCallback(WPARAM wParam, LPARAM lParam);
  void onEndSession();
  void destroyWindow();
  ui::ControlKind kindOf(int id) const;

  HINSTANCE instance_;
  unique_hwnd window_;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  UINT taskbarCreated_ = 0;
  std::vector<ui::PlacedControl> layout_ = ui::layoutControls();
  std::unordered_map<int, HWND> controls_;
  unique_hfont font_;
  unique_hicon bigIcon_;
  unique_hicon smallIcon_;
  unique_hmenu menu_;
  std::optional<WindowTimer> timer_;
  std::optional<TrayIcon> tray_;
  ui::WindowEvents* events_ = nullptr;
  HWND lastFocus_ = nullptr;  // given back when the window is activated again
  bool unloading_ = false;
  std::exception_ptr pendingFailure_;
};

// The program's message loop: one event at a time, each to its end, with
// the dialog manager's keyboard navigation for the window. Returns the exit
// code of WM_QUIT; rethrows a failure raised inside a handler.
int runMessageLoop(Form1& form);

}  // namespace vorlix::win32
