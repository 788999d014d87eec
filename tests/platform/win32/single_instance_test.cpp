#include "platform/win32/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

// A copy that ends after its claim and before it marks a window (its start
// failed, say) leaves a later start to run as the one copy: it neither
// gives up nor waits for a window that never comes.
TEST(OnlyCopy, ALaterStartWhoseCopyEndsWindowlessBecomesTheCopy) {
  using namespace std::chrono_literals;
  const auto claim = [] {
    return vorlix::win32::claimOnlyCopy(L"VorlixOnlyCopyTest", vorlix::ui::WhenAlreadyRunning::ShowThatCopy);
  };
  std::atomic<int> firstCopy{0};  // 1: it holds the claim; 2: it may end
  std::thread first([&] {
    const auto copy = claim();  // held, and released, by this thread
    for (firstCopy = 1; firstCopy != 2;) std::this_thread::sleep_for(10ms);
  });
  while (firstCopy != 1) std::this_thread::sleep_for(10ms);
  std::optional<vorlix::win32::OnlyCopy> later;
  std::atomic<bool> claimed{false};
  std::thread second([&] {
    try {
      later = claim();
    } catch (const std::exception&) {  // the later start gave up waiting: no copy
    }
    claimed = true;
  });
  std::this_thread::sleep_for(1s);
  EXPECT_FALSE(claimed) << "the later start waits for the copy";
  firstCopy = 2;
  first.join();
  second.join();
  EXPECT_TRUE(later.has_value());
}
