#include "platform/win32/message_box_prompts.h"

#include <string>

namespace vorlix::win32 {
namespace {

// The system's class of dialog boxes, message boxes among them.
constexpr wchar_t DialogClass[] = L"#32770";

BOOL CALLBACK findOpenBox(HWND window, LPARAM found) {
  wchar_t name[16] = L"";
  if (::IsWindowVisible(window) && ::GetClassNameW(window, name, 16) != 0 &&
      std::wstring_view(name) == DialogClass) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// Without an owner while the window is hidden: a message must not hide with
// it. MB_SETFOREGROUND, since a tray program is rarely in the foreground;
// Windows refuses the foreground to a background process, so a box without
// an owner is also MB_TOPMOST, or it could open behind the user's windows.
int MessageBoxPrompts::ask(std::wstring_view message, UINT style) const {
  const std::wstring text(message);
  const std::wstring title(ProgramName);
  HWND owner = window_ != nullptr && ::IsWindowVisible(window_) ? window_ : nullptr;
  if (owner == nullptr) style |= MB_TOPMOST;
  return ::MessageBoxW(owner, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

void MessageBoxPrompts::reportError(std::wstring_view message) {
  // Nothing to do if even the message box fails (out of memory).
  (void)ask(message, MB_OK | MB_ICONERROR);
}

bool MessageBoxPrompts::askRetry(std::wstring_view message) {
  return ask(message, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY;
}

void MessageBoxPrompts::bringToFront() {
  // The box belongs to this thread: it is the one dialog window it has.
  HWND box = nullptr;
  (void)::EnumThreadWindows(::GetCurrentThreadId(), &findOpenBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr) return;
  // Ignored: the system may refuse the foreground; the flash still shows
  // where the box is.
  (void)::SetForegroundWindow(box);
  FLASHWINFO flash{sizeof(flash), box, FLASHW_CAPTION, 3, 0};
  (void)::FlashWindowEx(&flash);
}

void showFailure(std::wstring_view message) { MessageBoxPrompts().reportError(message); }

}  // namespace vorlix::win32
