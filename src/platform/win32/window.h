// A top-level window owned by a C++ object: the class registration, the
// pointer from the window to its object, and the hand-off of failures out of
// the window procedure. A window class derives from this and handles its
// messages in handle().
#pragma once

#include <windows.h>

#include <exception>

#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return window_.get(); }

  // The keyboard handling of the message loop for this window (the dialog
  // manager's TAB and arrows); true when it consumed the message.
  virtual bool preTranslateMessage(MSG&) { return false; }
  // A failure that a handler raised while the window was handling a
  // message: it must not cross the system's frames, so it is kept here and
  // thrown again by the message loop.
  void rethrowPendingFailure();

 protected:
  Window() = default;
  // A derived class destroys its window in its own destructor, while its
  // handlers can still run; this only makes sure nothing is left.
  virtual ~Window();

  // Registers the class on first use and creates the window for this object.
  void create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption, DWORD style,
              DWORD exStyle);
  void destroy();

  virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // The window is gone (WM_NCDESTROY); hwnd() is null from now on.
  virtual void destroyed() {}

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  unique_hwnd window_;
  std::exception_ptr pendingFailure_;
};

// Lets `message` reach `window` from processes at a lower integrity level.
// Windows drops such messages on their way to an elevated process (UIPI),
// and only for this window is the exception made. Throws Win32Error.
void allowMessageFromLowerIntegrity(HWND window, UINT message);

}  // namespace vorlix::win32
