#include "platform/win32/only_copy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace vorlix::win32 {
namespace {

// A hidden top-level window of one class, as every start of Vorlix makes
// before it claims.
unique_hwnd startsWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"VorlixOnlyCopyTest";
  (void)::RegisterClassW(&windowClass);  // Ignored: registered by the first call.
  return unique_hwnd(::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, windowClass.hInstance, nullptr));
}

bool requestQueuedFor(HWND window) {
  MSG request{};
  return ::PeekMessageW(&request, window, configureRequestMessage(), configureRequestMessage(), PM_REMOVE);
}

// The claim is the user's own, as a vorlix.exe of an end-to-end run would hold it.
TEST(OnlyCopy, ALaterStartAsksTheCopysWindowAndEndsThenTakesOverOnceTheCopyEnded) {
  using namespace std::chrono_literals;
  const unique_hwnd copysWindow = startsWindow(), laterWindow = startsWindow();
  ASSERT_TRUE(copysWindow && laterWindow);
  // 1: the first start holds the claim; 2: it may end; 3: it ended, its
  // thread lives on (so the claim is released, not abandoned); 4: done.
  std::atomic<int> step{0};
  const auto waitFor = [&](int next) {
    while (step != next) std::this_thread::sleep_for(10ms);
  };
  std::thread first([&] {
    std::optional<OnlyCopy> copy = claimOnlyCopy(copysWindow.get());  // held and released by this thread
    step = copy ? 1 : -1;
    waitFor(2);
    copy.reset();
    step = 3;
    waitFor(4);
  });
  while (step == 0) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(step, 1) << "the first start did not become the copy";

  EXPECT_FALSE(claimOnlyCopy(laterWindow.get())) << "a second copy runs";
  EXPECT_TRUE(requestQueuedFor(copysWindow.get())) << "the copy's window was not asked";
  EXPECT_FALSE(requestQueuedFor(laterWindow.get()));

  step = 2;
  waitFor(3);
  EXPECT_TRUE(claimOnlyCopy(laterWindow.get())) << "the ended copy's claim was not taken over";
  step = 4;
  first.join();
}

}  // namespace
}  // namespace vorlix::win32
