#include "ui/window_messages.h"

#include <gtest/gtest.h>

// Explorer's announcement crosses up to an elevated copy; a request for the
// window, which pauses scanning, comes from the user's own level or none.
TEST(WindowMessages_FromLowerIntegrity, OnlyTheTaskBarsAnnouncement) {
  EXPECT_TRUE(vorlix::ui::acceptedFromLowerIntegrity(L"TaskbarCreated"));
  EXPECT_FALSE(vorlix::ui::acceptedFromLowerIntegrity(L"Vennik.Vorlix.ShowConfiguration"));
}
