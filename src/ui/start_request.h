// Who asked for this start, read from the command line. The starts that
// Windows or an installer make on the user's behalf (the Run values at
// sign-in, the end of an install, the Restart Manager's restart) carry
// /background; a start the user makes (Start menu, double-click) carries
// nothing.
#pragma once

#include <string_view>

namespace vorlix::ui {

inline constexpr std::wstring_view BackgroundArgument = L"/background";

enum class StartedBy { User, System };

// Any other argument is ignored: a user who types one still gets the window.
StartedBy startedBy(std::wstring_view commandLine);

// What a start does when a copy already runs for the user: the user's start
// brings up that copy's window (or says why it cannot); a start on the
// user's behalf ends without a window or a word, since no one asked.
enum class WhenAlreadyRunning { ShowThatCopy, EndQuietly };

constexpr WhenAlreadyRunning whenAlreadyRunning(StartedBy by) {
  return by == StartedBy::User ? WhenAlreadyRunning::ShowThatCopy : WhenAlreadyRunning::EndQuietly;
}

}  // namespace vorlix::ui
