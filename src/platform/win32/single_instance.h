// One copy of the program per user. Two copies would each save their own
// controls when they end, so the one that ends last would write its stale
// configuration over what the user confirmed with OK in the other.
//
// The claim is a private namespace bounded by the user's SID and the medium
// integrity level, with the SID in its name as well: creating it is atomic,
// so of two copies started in the same instant exactly one creates it. A
// process at a lower integrity level (a sandbox) can neither create it first
// nor open it, so it can neither keep Vorlix from starting nor pose as it.
// Where the system has no private namespaces (Wine), the claim is a mutex in
// the global namespace with the SID in its name, owned for the whole run.
//
// Inside the claim the only copy marks its session, then that it is ready,
// then its window. A later start finds the marks: in the same session it
// asks that window to show the configuration, in another it tells the user,
// as it does when the copy runs elevated and it does not.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/unique_handle.h"
#include "ui/start_request.h"

namespace vorlix::win32 {

// The one registered message that another start sends to the running copy:
// show the configuration window. Its parameters mean nothing.
UINT configureRequestMessage();

class OnlyCopy;

// Claims this user's only copy, before anything else runs. If another copy
// holds it, the result is empty and this process ends without touching the
// store; before that, if `whenRunning` says so, that copy has been asked to
// show its window (same session) or the user has been told (another
// session). `windowClass` is the class of the window that takes the
// request. Throws Win32Error.
std::optional<OnlyCopy> claimOnlyCopy(const wchar_t* windowClass, ui::WhenAlreadyRunning whenRunning);

// Held for the whole run; the claim and its marks go with it.
class OnlyCopy {
 public:
  // Marks `window` as the one that takes another start's request. The
  // request is not let through from a lower integrity level
  // (ui::acceptedFromLowerIntegrity).
  void publishWindow(HWND window);

 private:
  friend std::optional<OnlyCopy> claimOnlyCopy(const wchar_t*, ui::WhenAlreadyRunning);
  OnlyCopy() = default;
  std::wstring name(std::wstring_view mark) const { return prefix_ + std::wstring(mark); }
  void mark(unique_handle& marker, std::wstring_view what);

  // The claim: the namespace (Windows) or the owned mutex (Wine).
  unique_created_namespace namespace_;
  unique_owned_mutex claim_;
  std::wstring prefix_;  // the names of the marks begin with it
  unique_hlocal security_;  // of the marks
  unique_handle session_;
  unique_handle ready_;
  unique_handle window_;
};

}  // namespace vorlix::win32
