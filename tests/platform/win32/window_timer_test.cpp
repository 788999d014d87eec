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

// Pumps until `until` firings arrived or the time is up; returns the firings.
int pumpTimerMessages(HWND owner, UINT_PTR id, DWORD forMilliseconds, DWORD& firstFiringThread,
                      int until = 1 << 30) {
  int firings = 0;
  const ULONGLONG end = ::GetTickCount64() + forMilliseconds;
  while (::GetTickCount64() < end && firings < until) {
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
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(pumpTimerMessages(owner.get(), 7, 20000, thread, 2), 2);
  EXPECT_GE(::GetTickCount64() - start, 1900u) << "two firings a second apart";
  EXPECT_EQ(thread, ::GetCurrentThreadId());

  timer.setEnabled(false);
  EXPECT_EQ(pumpTimerMessages(owner.get(), 7, 1500, thread), 0);
}

// A running timer takes each new interval at once: down to one second it
// fires, back up to ten minutes it falls silent.
TEST(WindowTimer, ARunningTimerTakesEveryPriorityIntervalAtOnce) {
  unique_hwnd owner = makeOwner();
  ASSERT_TRUE(owner);
  WindowTimer timer(owner.get(), 8);
  timer.setInterval(600000);
  timer.setEnabled(true);
  DWORD thread = 0;
  for (std::int32_t ms : {600000, 300000, 60000, 10000, 1000}) {
    EXPECT_NO_THROW(timer.setInterval(ms));
    EXPECT_EQ(timer.interval(), ms);
  }
  EXPECT_EQ(pumpTimerMessages(owner.get(), 8, 20000, thread, 1), 1) << "no firing at one second";
  timer.setInterval(600000);
  EXPECT_EQ(pumpTimerMessages(owner.get(), 8, 1500, thread), 0) << "still firing at one second";
}

}  // namespace
}  // namespace vorlix::win32
