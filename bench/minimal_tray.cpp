// The yardstick for vorlix.exe's memory: the least a tray program can be, a
// hidden top-level window with one notification-area icon (the system's
// application icon), built with the same toolchain and flags. WM_CLOSE ends it.
#include <windows.h>

#include <shellapi.h>

#include "platform/win32/unique_handle.h"

namespace {

constexpr wchar_t ClassName[] = L"VorlixBench.MinimalTray";
constexpr UINT IconId = 1;

NOTIFYICONDATAW iconRecord(HWND window) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = window;
  nid.uID = IconId;
  return nid;
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    NOTIFYICONDATAW nid = iconRecord(window);
    (void)::Shell_NotifyIconW(NIM_DELETE, &nid);  // Ignored: the run ends either way.
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &windowProc;
  wc.hInstance = instance;
  wc.lpszClassName = ClassName;
  if (::RegisterClassExW(&wc) == 0) return 1;
  // Top-level, not message-only, as a tray program's window must be.
  vorlix::win32::unique_hwnd window(::CreateWindowExW(0, ClassName, L"Minimal", WS_OVERLAPPEDWINDOW,
                                                      CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                                                      nullptr, nullptr, instance, nullptr));
  if (!window) return 1;

  NOTIFYICONDATAW nid = iconRecord(window.get());
  nid.uFlags = NIF_ICON | NIF_TIP;
  nid.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);  // shared: never destroyed
  lstrcpynW(nid.szTip, L"Minimal", ARRAYSIZE(nid.szTip));
  if (!::Shell_NotifyIconW(NIM_ADD, &nid)) return 1;

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
