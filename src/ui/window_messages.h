// The registered messages that other processes send to the program's
// window, and which of them Windows may hand over from a process at a lower
// integrity level than the window's: User Interface Privilege Isolation
// drops every other one.
#pragma once

#include <string_view>

namespace vorlix::ui {

// Explorer: the task bar was created (again) and knows no icon.
inline constexpr std::wstring_view TaskbarCreatedMessage = L"TaskbarCreated";
// A later start of the program: show the configuration window.
inline constexpr std::wstring_view ConfigureRequestMessage = L"Vennik.Vorlix.ShowConfiguration";

// Explorer must reach a copy that runs elevated, or its icon never comes
// back. A request for the window pauses scanning until OK: were it let
// through, any process on the desktop, a sandboxed one too, could send it
// again and again. Only a start at the window's own level or above, the
// user's own, may ask.
constexpr bool acceptedFromLowerIntegrity(std::wstring_view message) {
  return message == TaskbarCreatedMessage;
}

}  // namespace vorlix::ui
