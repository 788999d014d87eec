#include "ui/start_request.h"

#include <gtest/gtest.h>

namespace vorlix::ui {
namespace {

// Only the starts made on the user's behalf, which carry /background, leave
// a running copy alone; anything the user types still brings its window.
TEST(StartRequest_WhenAlreadyRunning, OnlyABackgroundStartEndsQuietly) {
  struct Case {
    std::wstring_view commandLine;
    StartedBy by;
  };
  static constexpr Case Cases[] = {
      {L"", StartedBy::User},
      {L"   ", StartedBy::User},
      {L"/background", StartedBy::System},
      {L"/BackGround", StartedBy::System},
      {L"\t/background  ", StartedBy::System},
      {L"\"/background\"", StartedBy::System},
      {L"/other /background", StartedBy::System},
      {L"/backgrounds", StartedBy::User},
      {L"background", StartedBy::User},
      {L"/back ground", StartedBy::User},
      {L"x/background", StartedBy::User},
  };
  for (const Case& c : Cases)
    EXPECT_EQ(startedBy(c.commandLine), c.by) << "case " << &c - Cases;
  EXPECT_EQ(whenAlreadyRunning(StartedBy::User), WhenAlreadyRunning::ShowThatCopy);
  EXPECT_EQ(whenAlreadyRunning(StartedBy::System), WhenAlreadyRunning::EndQuietly);
}

}  // namespace
}  // namespace vorlix::ui
