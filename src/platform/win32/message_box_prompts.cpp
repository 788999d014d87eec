#include "platform/win32/message_box_prompts.h"

#include <windows.h>

#include <string>

namespace vorlix::win32 {
namespace {

// No owner: the window is usually hidden, and a message must not hide with
// it. MB_SETFOREGROUND, since a tray program is rarely in the foreground.
int ask(std::wstring_view message, UINT style) {
  const std::wstring text(message);
  const std::wstring title(ui::ProgramName);
  return ::MessageBoxW(nullptr, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

}  // namespace

void MessageBoxPrompts::reportError(std::wstring_view message) {
  // Nothing to do if even the message box fails (out of memory).
  (void)ask(message, MB_OK | MB_ICONERROR);
}

bool MessageBoxPrompts::askRetry(std::wstring_view message) {
  return ask(message, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

void showFailure(std::wstring_view message) { MessageBoxPrompts().reportError(message); }

}  // namespace vorlix::win32
