#include "platform/win32/message_loop.h"

#include "platform/win32/check.h"

namespace vorlix::win32 {

int runMessageLoop(Window& window) {
  MSG msg;
  for (;;) {
    // GetMessageW's own convention: 0 for WM_QUIT, -1 on failure.
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) throw Win32Error("GetMessageW", ::GetLastError());
    if (!window.preTranslateMessage(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    window.rethrowPendingFailure();
  }
}

}  // namespace vorlix::win32
