// Form1, the configuration window: a plain top-level window whose child
// controls are created from the layout tables. It owns Timer1, the registry
// watch, the popup menu `menu` and the notification-area icon, and raises the
// window's events. At sign-in it costs what a bare tray program costs: the
// controls, their font, tips and names (and COM for them) are made when the
// window is first shown or a control is first asked for; until then the
// configuration is held in memory, and handed to the controls then.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "core/held_controls.h"
#include "platform/win32/accessible_names.h"
#include "platform/win32/child_controls.h"
#include "platform/win32/registry_watcher.h"
#include "platform/win32/rule_tooltip.h"
#include "platform/win32/shell_tray_icon.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/window.h"
#include "platform/win32/window_timer.h"
#include "ui/layout.h"
#include "ui/rule_tip_text.h"
#include "ui/config_window.h"

namespace vorlix::win32 {

inline constexpr wchar_t Form1ClassName[] = L"Vorlix.Form1";

class Form1 final : public Window, public ui::ConfigWindow {
 public:
  static constexpr UINT_PTR Timer1Id = 1;
  // Caption, close box; no minimize or maximize box, no sizing border. Not
  // WS_CLIPCHILDREN: a group box draws only its frame, so the window must
  // paint the inside of the groups itself.
  static constexpr DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
  static constexpr DWORD ExStyle = 0;

  // Creates the window hidden, its configuration at the controls' initial
  // values, and the tray icon, not yet added. The controls, once made, are
  // named for screen readers through `nameService`, or the system's. Throws
  // Win32Error.
  explicit Form1(HINSTANCE instance, ShellTrayIcon::ShellNotify shell = &::Shell_NotifyIconW,
                 IAccPropServices* nameService = nullptr);
  ~Form1() override;

  // These make the controls first if they do not exist yet (Win32Error).
  HWND control(int id) {
    makeControls();
    return controls_[id];
  }
  HFONT font() {
    makeControls();
    return font_.get();
  }
  HICON icon() {
    makeControls();
    return bigIcon_.get();
  }
  // The notification area's image, at the system's DPI.
  HICON trayImage() const { return trayImage_.get(); }
  // The tooltip control of the rule rows.
  HWND ruleTips() {
    makeControls();
    return tips_ ? tips_->window() : nullptr;
  }
  // S_OK when every control got its name for screen readers.
  HRESULT accessibleNamesResult() {
    makeControls();
    return names_ ? names_->result() : E_FAIL;
  }
  // True once the controls exist and hold the configuration.
  bool hasControls() const { return live_.handedOver(); }

  // Made on first use.
  HMENU menu();
  int dpi() const { return dpi_; }
  ShellTrayIcon& tray() { return *tray_; }
  // What the message loop waits for besides the messages.
  RegistryWatcher& watcher() { return watcher_; }

  // Where the rows' tips get their text; without it they show none.
  void setRuleReports(const ui::RuleReports* reports) { reports_ = reports; }
  // What the "Deleted entries..." button opens; without it, nothing.
  void setDeletedEntriesView(std::function<void()> open) { openDeletedEntries_ = std::move(open); }

  // The dialog manager's keyboard handling (TAB, arrows). Enter and Escape
  // press nothing.
  bool preTranslateMessage(MSG& msg) override;

  // ui::ConfigWindow
  void show() override;
  void hide() override;
  bool isShown() const override;
  ui::MenuCommand popupMenu(ui::ScreenPoint at) override;
  void unload(ui::UnloadCause cause) override;
  ConfigControls& controls() override { return live_; }
  ScanTimer& timer() override { return *timer_; }
  RegistryWatch& registryWatch() override { return watcher_; }
  ui::TrayIcon& trayIcon() override { return *tray_; }
  void setEvents(ui::WindowEvents* events) override { events_ = events; }

 private:
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void destroyed() override;

  // The controls with everything that serves them, filled from the held
  // copy, which they replace. Does nothing once they exist.
  void makeControls();
  // Building and placing the controls, at the window's DPI (form1_layout.cpp).
  void createControls();
  void layOut();
  void placeComboBox(HWND combo, const ui::PixelRect& field, int entries);
  void rebuildFont();
  void loadIcons();
  void loadTrayImage();
  void refreshTrayImage();
  SIZE windowSizeAt(int dpi) const;
  void sizeWindowToClientArea();
  void onDpiChanged(int dpi, const RECT& suggested);
  // Help beside the controls (form1_assist.cpp): the rows' tips and the
  // names that screen readers say.
  void addRuleTooltip();
  void nameControls(IAccPropServices* service);

  void onCommand(int id, int code, HWND source);
  void onCheckBoxClicked(int id);
  void onActivate(bool active);
  void onTrayCallback(WPARAM wParam, LPARAM lParam);
  void onQueryEndSession(LPARAM flags);
  void onEndSession();

  HINSTANCE instance_;
  IAccPropServices* nameService_;  // null: the system's
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  UINT taskbarCreated_ = 0;
  UINT configureRequest_ = 0;
  std::vector<ui::PlacedControl> layout_ = ui::layoutControls();
  ChildControls controls_;
  // The live configuration: the held copy, then controls_.
  DeferredControls live_;
  unique_hfont font_;
  unique_hicon bigIcon_;
  unique_hicon smallIcon_;
  unique_hicon trayImage_;
  int trayImageWidth_ = 0;
  unique_hmenu menu_;
  std::optional<WindowTimer> timer_;
  RegistryWatcher watcher_;
  std::optional<ShellTrayIcon> tray_;
  std::optional<RuleTooltip> tips_;
  std::optional<AccessibleNames> names_;
  ui::WindowEvents* events_ = nullptr;
  const ui::RuleReports* reports_ = nullptr;
  std::function<void()> openDeletedEntries_;
  HWND lastFocus_ = nullptr;  // given back when the window is activated again
};

}  // namespace vorlix::win32
