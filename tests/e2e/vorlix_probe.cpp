// A test helper that looks at the running program from outside, in the same
// Wine prefix: finds its window and the popup menu's window and prints what
// a script needs. Window handles and messages cross processes; menu handles
// do not, so the popup is read from its window of class #32768.
//
//   vorlix_probe wait-window MS        the window exists (hidden or not)
//   vorlix_probe wait-visible MS       the window is shown
//   vorlix_probe wait-hidden MS        the window exists and is hidden
//   vorlix_probe wait-gone MS          no window any more
//   vorlix_probe window-rect           "left top right bottom" of the window
//   vorlix_probe wait-menu MS          "left top right bottom" of the open popup
//   vorlix_probe menu-item N COUNT     "x y": centre of item N (from 0) of COUNT
//   vorlix_probe wait-no-menu MS       no popup open
//   vorlix_probe tray-rect             "left top right bottom" of the task bar
//
// Exit status 0 when the condition holds, 1 when the wait ran out, 2 on
// a usage error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

namespace {

constexpr wchar_t Form1Class[] = L"Vorlix.Form1";

HWND form() { return ::FindWindowW(Form1Class, L"Configure"); }

HWND openMenu() {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  return menu != nullptr && ::IsWindowVisible(menu) ? menu : nullptr;
}

bool waitFor(const wchar_t* milliseconds, const std::function<bool()>& condition) {
  const ULONGLONG end = ::GetTickCount64() + std::wcstoul(milliseconds, nullptr, 10);
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(50);
  }
}

void printRect(const RECT& r) { std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom); }

int status(bool ok) { return ok ? 0 : 1; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  const wchar_t* wait = argc > 2 ? argv[2] : L"10000";

  if (command == L"wait-window") return status(waitFor(wait, [] { return form() != nullptr; }));
  if (command == L"wait-visible")
    return status(waitFor(wait, [] { return form() != nullptr && ::IsWindowVisible(form()); }));
  if (command == L"wait-hidden")
    return status(waitFor(wait, [] { return form() != nullptr && !::IsWindowVisible(form()); }));
  if (command == L"wait-gone") return status(waitFor(wait, [] { return form() == nullptr; }));
  if (command == L"window-rect") {
    RECT r{};
    if (form() == nullptr || !::GetWindowRect(form(), &r)) return 1;
    printRect(r);
    return 0;
  }
  if (command == L"wait-menu") {
    if (!waitFor(wait, [] { return openMenu() != nullptr; })) return 1;
    RECT r{};
    ::GetWindowRect(openMenu(), &r);
    printRect(r);
    return 0;
  }
  if (command == L"wait-no-menu") return status(waitFor(wait, [] { return openMenu() == nullptr; }));
  if (command == L"menu-item" && argc == 4) {
    HWND menu = openMenu();
    if (menu == nullptr) return 1;
    // The items are text items of one height, so the client area divides evenly.
    RECT client{};
    ::GetClientRect(menu, &client);
    ::MapWindowPoints(menu, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const long item = std::wcstol(argv[2], nullptr, 10);
    const long count = std::wcstol(argv[3], nullptr, 10);
    if (count <= 0 || item < 0 || item >= count) return 2;
    const long height = (client.bottom - client.top) / count;
    std::printf("%ld %ld\n", (client.left + client.right) / 2, client.top + height * item + height / 2);
    return 0;
  }
  if (command == L"tray-rect") {
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT r{};
    if (tray == nullptr || !::GetWindowRect(tray, &r)) return 1;
    printRect(r);
    return 0;
  }
  return 2;
}
