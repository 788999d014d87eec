// One copy of the program per user. Two copies would each save their own
// controls when they end, so the one that ends last would write its stale
// configuration over what the user confirmed with OK in the other.
//
// What each part is for:
// - The claim is a mutex that the copy owns for its whole run: of two starts
//   in the same instant exactly one owns it, and when the copy ends, even
//   killed, the next start takes it over. Its name carries the user's SID:
//   one claim per user, across sessions.
// - The names lie in a private namespace bounded by the user's SID and the
//   medium integrity level. A process at a lower level (a sandbox) can then
//   neither create the claim first, keeping Vorlix from starting, nor make
//   the marks, posing as it. Wine has no private namespaces; there the
//   names lie in the global namespace. That one branch is Windows's alone,
//   written from Microsoft's documentation, and untested here.
// - Three marks, which the copy makes as it claims: its window (any program
//   can make a window of Form1's class, so only the marked one is asked),
//   its session, and last "Ready", which says the other two are there. A
//   later start in the same session asks the marked window to show the
//   configuration; in another session, where it cannot reach the window,
//   it tells the user. Windows refuses the request from below the copy's
//   integrity level (a copy that runs elevated): the start says so too.
// - The window exists before the claim, so the copy has nothing left to
//   make once it holds it: a later start finds the marks at once, or, in
//   the moments between a claim and its marks or while a copy ends, looks
//   again, AnswerWaitMs at the most, before it gives up with a TimeoutError.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// The one registered message that another start sends to the running copy:
// show the configuration window. Its parameters mean nothing.
UINT configureRequestMessage();

class OnlyCopy;

// Claims this user's only copy for `window`, which takes a later start's
// request, before the store is touched. If another copy holds the claim,
// that copy has been asked to show its window (same session) or the user
// has been told (another session), and the result is empty: this process
// ends without touching the store. Throws Win32Error, or TimeoutError when
// the running copy neither answers nor ends.
std::optional<OnlyCopy> claimOnlyCopy(HWND window);

// Held for the whole run; the claim and its marks go with it.
class OnlyCopy {
 private:
  friend std::optional<OnlyCopy> claimOnlyCopy(HWND);
  OnlyCopy() = default;

  // Destroyed in reverse: the marks first, the namespace last.
  unique_private_namespace namespace_;  // none in the global namespace (Wine)
  unique_owned_mutex claim_;
  std::array<unique_handle, 3> marks_;  // window, session, ready
};

}  // namespace vorlix::win32
