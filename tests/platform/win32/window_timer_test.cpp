#include "platform/win32/window_timer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {
namespace {

// A plain top-level window to own the timer; its firings are counted by the
// message loop below, on this thread.
unique_hwnd makeOwner() {
  return unique_hwnd(::CreateWindowExW(0, L"STATIC", L"timer owner", WS_OVERLAPPED, 0, 0, 10, 10,
                                       nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr));
}

int pumpTimerMessages(HWND owner, UINT_PTR id, DWORD forMilliseconds, DWORD& firstFiringThread) {
  int firings = 0;
  const ULONGLONG end = ::GetTickCount64() + forMilliseconds;
  while (::GetTickCount64() < end) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == owner && msg.wParam == id) {
        if (firings++ == 0) firstFiringThread = ::GetCurrentThreadId();
      }
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return firings;
}

TEST(WindowTimer, FiresOnTheWindowThreadAtOneSecond) {
  unique_hwnd owner = makeOwner();
  ASSERT_TRUE(owner);
  WindowTimer timer(owner.get(), 7);
  EXPECT_FALSE(timer.enabled());
  EXPECT_EQ(timer.interval(), 1000);

  timer.setEnabled(true);
  DWORD thread = 0;
  const int firings = pumpTimerMessages(owner.get(), 7, 3500, thread);
  EXPECT_GE(firings, 2);
  EXPECT_LE(firings, 4);
  EXPECT_EQ(thread, ::GetCurrentThreadId());

  timer.setEnabled(false);
  EXPECT_EQ(pumpTimerMessages(owner.get(), 7, 1500, thread), 0);
}

TEST(WindowTimer, AcceptsEveryPriorityIntervalAndNoFiringComesEarly) {
  unique_hwnd owner = makeOwner();
  ASSERT_TRUE(owner);
  WindowTimer timer(owner.get(), 8);
  for (std::int32_t ms : {600000, 300000, 60000, 10000, 1000}) {
    timer.setInterval(ms);
    EXPECT_EQ(timer.interval(), ms);
  }
  timer.setInterval(600000);
  EXPECT_NO_THROW(timer.setEnabled(true));
  DWORD thread = 0;
  EXPECT_EQ(pumpTimerMessages(owner.get(), 8, 1500, thread), 0);
}

}  // namespace
}  // namespace vorlix::win32
