#include "platform/win32/window.h"

#include <utility>

#include "platform/win32/check.h"

namespace vorlix::win32 {
namespace {

void registerClassOnce(HINSTANCE instance, const wchar_t* className, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(instance, className, &existing)) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1);
  wc.lpszClassName = className;
  checkNonZero(::RegisterClassExW(&wc), "RegisterClassExW");
}

}  // namespace

Window::~Window() {
  if (hwnd() == nullptr) return;
  // The derived object is gone: no handler of it may run any more.
  ::SetWindowLongPtrW(hwnd(), GWLP_USERDATA, 0);
  destroy();
}

void Window::create(HINSTANCE instance, const wchar_t* className, const wchar_t* caption,
                    DWORD style, DWORD exStyle) {
  registerClassOnce(instance, className, &Window::windowProc);
  checkNotNull(::CreateWindowExW(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                 0, 0, nullptr, nullptr, instance, this),
               "CreateWindowExW");
}

void Window::destroy() {
  if (hwnd() == nullptr) return;
  // WM_NCDESTROY releases window_; the release here covers a window whose
  // object no longer hears its messages. Ignored: gone either way.
  (void)::DestroyWindow(hwnd());
  (void)window_.release();
}

void Window::rethrowPendingFailure() {
  if (pendingFailure_) std::rethrow_exception(std::exchange(pendingFailure_, nullptr));
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_.reset(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    (void)self->window_.release();
    self->destroyed();
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

void allowMessageFromLowerIntegrity(HWND window, UINT message) {
  checkBool(::ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr),
            "ChangeWindowMessageFilterEx");
}

}  // namespace vorlix::win32
