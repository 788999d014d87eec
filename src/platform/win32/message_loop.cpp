#include "platform/win32/message_loop.h"

#include "platform/win32/check.h"

namespace vorlix::win32 {

int runMessageLoop(Window& window, LoopWaits* waits) {
  MSG msg;
  for (;;) {
    // Every message already queued first, in order, as GetMessageW would
    // hand them over.
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      if (!window.preTranslateMessage(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      window.rethrowPendingFailure();
    }
    const LoopWaits::Wait wait = waits != nullptr ? waits->nextWait() : LoopWaits::Wait{};
    const auto count = static_cast<DWORD>(wait.handles.size());
    // MWMO_INPUTAVAILABLE: a message that arrived since the last peek ends
    // the wait too, not only one that arrives during it.
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, wait.handles.data(), wait.timeout,
                                                     QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_FAILED) throw Win32Error("MsgWaitForMultipleObjectsEx", ::GetLastError());
    if (woke - WAIT_OBJECT_0 < count) {
      waits->signalled(woke - WAIT_OBJECT_0);
      window.rethrowPendingFailure();
    }
  }
}

}  // namespace vorlix::win32
