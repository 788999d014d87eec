// A test helper that looks at the running program from outside, in the same
// Wine prefix: finds its window, its controls, the popup menu's window and its
// message boxes, and prints what a script needs or acts as the user would.
// Window handles and messages cross processes; menu handles do not, so the
// popup is read from its window of class #32768.
//
//   vorlix_probe wait-window MS        the window exists (hidden or not)
//   vorlix_probe wait-visible MS       the window is shown
//   vorlix_probe wait-hidden MS        the window exists and is hidden, and
//                                      the handler that hid it has returned
//                                      (OK hides before it writes the store)
//   vorlix_probe wait-gone MS          no window any more
//   vorlix_probe windows               how many windows of the program exist
//   vorlix_probe never-shown MS        the window appears within MS and is
//                                      never visible until MS have passed
//   vorlix_probe window-rect           "left top right bottom" of the window
//   vorlix_probe wait-menu MS          "left top right bottom" of the open popup
//   vorlix_probe menu-item N COUNT     "x y": centre of item N (from 0) of COUNT
//   vorlix_probe wait-no-menu MS       no popup open
//   vorlix_probe wait-list MS          "left top right bottom count rows" of an
//                                      open drop-down list: its entries, and
//                                      how many fit without scrolling
//   vorlix_probe list-item N           "x y": centre of entry N (from 0) of it
//   vorlix_probe tray-rect             "left top right bottom" of the task bar
//   vorlix_probe wait-icon MS          the shell holds the window's icon
//   vorlix_probe wait-no-icon MS       the shell holds no icon of the window
//   vorlix_probe dump                  the 50 settings as the controls hold
//                                      them: "section<TAB>key<TAB>value" lines
//   vorlix_probe entries               the 50 settings' defaults, in the same
//                                      form and order
//   vorlix_probe value NAME            one control's list index, check state
//                                      or text
//   vorlix_probe set-text NAME TEXT    replaces an edit box's text (as typing)
//   vorlix_probe control-centre NAME   "x y": screen centre of a control
//   vorlix_probe close                 the close box: posts WM_CLOSE
//   vorlix_probe close-app             what the Restart Manager sends to close
//                                      a program for an installer: the
//                                      end-of-session messages with
//                                      ENDSESSION_CLOSEAPP; the program must
//                                      then end by itself
//   vorlix_probe wait-msgbox MS        a message box titled "Vorlix": prints
//                                      its text
//   vorlix_probe msgbox-press ID       presses the box's button ID (1 OK,
//                                      2 Cancel, 4 Retry)
//   vorlix_probe msgbox-front MS       that message box is the foreground window
//   vorlix_probe volatile-key PATH     creates HKCU\PATH as a volatile key, below
//                                      which the registry refuses lasting keys
//   vorlix_probe wait-tip MS TEXT      a tip of the window is shown and holds
//                                      TEXT: prints the tip's text
//   vorlix_probe wait-no-tip MS        no tip of the window is shown
//   vorlix_probe tip-rect              "left top right bottom" of the shown tip
//   vorlix_probe wait-no-tips MS       no tip of any program is shown
//   vorlix_probe lock-key ROOT\PATH    creates the key with a value V that
//                                      everyone may read and no one change
//   vorlix_probe unlock-key ROOT\PATH  lets everyone change it again
//   vorlix_probe wait-dialog MS TITLE  a dialog titled TITLE is shown
//   vorlix_probe in TITLE ID centre|rows|set TEXT|press
//                                      in that dialog, control ID's "x y"
//                                      centre, a list view's row count, its
//                                      text replaced, or the dialog told it
//                                      was clicked
//
// A control goes by its own name in the window's layout: "key7", "Combo13", "ok".
//
// Exit status 0 when the condition holds, 1 when the wait ran out or the
// window is missing, 2 on a usage error.
#include <windows.h>

#include <sddl.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>

#include "settings/stored_entries.h"
#include "ui/layout.h"

namespace {

using namespace vorlix;

constexpr wchar_t Form1Class[] = L"Vorlix.Form1";
constexpr UINT TrayIconId = 1;

HWND form() { return ::FindWindowW(Form1Class, L"Configure"); }

HWND openMenu() {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  return menu != nullptr && ::IsWindowVisible(menu) ? menu : nullptr;
}

// Every drop-down list has its list window; only an open one is visible.
HWND openList() {
  for (HWND list = ::FindWindowExW(nullptr, nullptr, L"ComboLBox", nullptr); list != nullptr;
       list = ::FindWindowExW(nullptr, list, L"ComboLBox", nullptr))
    if (::IsWindowVisible(list)) return list;
  return nullptr;
}

// The list's client area in screen coordinates.
RECT listClientRect(HWND list) {
  RECT client{};
  ::GetClientRect(list, &client);
  ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return client;
}

HWND messageBox() {
  HWND box = ::FindWindowW(L"#32770", L"Vorlix");
  return box != nullptr && ::IsWindowVisible(box) ? box : nullptr;
}

bool waitFor(const wchar_t* milliseconds, const std::function<bool()>& condition) {
  const ULONGLONG end = ::GetTickCount64() + std::wcstoul(milliseconds, nullptr, 10);
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(50);
  }
}

// The shell answers a modify of an icon it does not hold with failure; a
// modify that changes nothing (no flags) is otherwise harmless.
bool iconExists() {
  HWND owner = form();
  if (owner == nullptr) return false;
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = owner;
  nid.uID = TrayIconId;
  return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

void printUtf8(const std::wstring& text) {
  if (!text.empty()) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  }
  std::fputc('\n', stdout);
}

void printRect(const RECT& r) { std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom); }

int status(bool ok) { return ok ? 0 : 1; }

HWND dialog(const wchar_t* title) {
  HWND found = ::FindWindowW(L"#32770", title);
  return found != nullptr && ::IsWindowVisible(found) ? found : nullptr;
}

// The "in" command: one control of a dialog.
int inDialog(int argc, wchar_t** argv) {
  HWND window = dialog(argv[2]);
  const int id = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
  HWND control = window ? ::GetDlgItem(window, id) : nullptr;
  const std::wstring what = argv[4];
  if (what == L"press" && window != nullptr)
    return status(::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control)));
  if (control == nullptr) return 1;
  RECT r{};
  if (what == L"centre" && ::GetWindowRect(control, &r)) {
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  if (what == L"rows") {
    std::printf("%ld\n", static_cast<long>(::SendMessageW(control, 0x1004 /* LVM_GETITEMCOUNT */, 0, 0)));
    return 0;
  }
  if (what == L"set" && argc == 6)
    return status(::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[5])) != FALSE);
  return 2;
}

// WM_GETTEXT rather than GetWindowTextW: only the message asks another
// process's control for its current text.
std::wstring windowText(HWND window) {
  const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const auto copied = ::SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[64] = L"";
  ::GetClassNameW(window, name, 64);
  return name;
}

// A combo box's selected index, a check box's state, an edit box's text:
// what the program stores for each.
std::wstring controlValue(HWND control) {
  const std::wstring cls = className(control);
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
    const auto index = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
    return std::to_wstring(index == CB_ERR ? -1 : static_cast<long long>(index));
  }
  if (_wcsicmp(cls.c_str(), L"Button") == 0)
    return std::to_wstring(static_cast<long long>(::SendMessageW(control, BM_GETCHECK, 0, 0)));
  return windowText(control);
}

HWND controlNamed(const wchar_t* name) {
  HWND window = form();
  if (window == nullptr) return nullptr;
  for (const ui::PlacedControl& control : ui::layoutControls())
    if (control.name == name) return ::GetDlgItem(window, control.id);
  return nullptr;
}

// The control that shows an entry.
int controlOf(const SettingsEntry& entry) {
  switch (entry.item()) {
    case ConfigItem::HiveIndex: return ui::ids::combo(entry.slot);
    case ConfigItem::PriorityIndex: return ui::ids::combo(PriorityCombo);
    case ConfigItem::ScannerState: return ui::ids::checkBox(ScannerBox);
    case ConfigItem::EnableState: return ui::ids::checkBox(entry.slot);
    case ConfigItem::KeyPath: return ui::ids::textBox(TextField::KeyPath, entry.slot);
    case ConfigItem::ValueName: return ui::ids::textBox(TextField::ValueName, entry.slot);
  }
  return 0;
}

void printEntry(const SettingsEntry& entry, const std::wstring& text) {
  printUtf8(std::wstring(entry.section()) + L"\t" + entry.key() + L"\t" + text);
}

// The settings in the load order, each read from its control.
bool dump() {
  HWND window = form();
  if (window == nullptr) return false;
  for (const SettingsEntry& entry : loadOrder()) {
    HWND control = ::GetDlgItem(window, controlOf(entry));
    if (control == nullptr) return false;
    printEntry(entry, controlValue(control));
  }
  return true;
}

// The window's tooltip, when it shows a tip: the tooltip's owner is the window.
HWND shownTip() {
  HWND owner = form();
  if (owner == nullptr) return nullptr;
  for (HWND tip = ::FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); tip != nullptr;
       tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr))
    if (::GetWindow(tip, GW_OWNER) == owner && ::IsWindowVisible(tip)) return tip;
  return nullptr;
}

// HKCU\... or HKLM\...: the root and the key below it.
bool splitRoot(const std::wstring& path, HKEY& root, std::wstring& key) {
  const std::size_t slash = path.find(L'\\');
  if (slash == std::wstring::npos) return false;
  const std::wstring name = path.substr(0, slash);
  if (name == L"HKCU") root = HKEY_CURRENT_USER;
  else if (name == L"HKLM") root = HKEY_LOCAL_MACHINE;
  else return false;
  key = path.substr(slash + 1);
  return true;
}

// Sets the key's access list from SDDL, creating the key (with a value V)
// first if `create`.
bool setKeyAccess(const wchar_t* path, const wchar_t* sddl, bool create) {
  HKEY root = nullptr;
  std::wstring key;
  if (!splitRoot(path, root, key)) return false;
  HKEY opened = nullptr;
  LSTATUS status = create ? ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                              &opened, nullptr)
                          : ::RegOpenKeyExW(root, key.c_str(), 0, WRITE_DAC, &opened);
  if (status != ERROR_SUCCESS) return false;
  if (create)
    status = ::RegSetValueExW(opened, L"V", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"locked"), 14);
  PSECURITY_DESCRIPTOR sd = nullptr;
  if (status == ERROR_SUCCESS &&
      ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr)) {
    status = ::RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, sd);
    ::LocalFree(sd);
  } else if (status == ERROR_SUCCESS) {
    status = static_cast<LSTATUS>(::GetLastError());
  }
  ::RegCloseKey(opened);
  return status == ERROR_SUCCESS;
}

std::wstring messageBoxText(HWND box) {
  std::wstring text;
  for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(className(child).c_str(), L"Static") != 0) continue;
    const std::wstring part = windowText(child);
    if (part.empty()) continue;  // the icon
    if (!text.empty()) text += L"\n";
    text += part;
  }
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  const wchar_t* wait = argc > 2 ? argv[2] : L"10000";

  if (command == L"wait-window") return status(waitFor(wait, [] { return form() != nullptr; }));
  if (command == L"wait-visible")
    return status(waitFor(wait, [] { return form() != nullptr && ::IsWindowVisible(form()); }));
  if (command == L"wait-hidden") {
    if (!waitFor(wait, [] { return form() != nullptr && !::IsWindowVisible(form()); })) return 1;
    // A message sent to the window is answered only once the handler is done.
    return ::SendMessageTimeoutW(form(), WM_NULL, 0, 0, SMTO_NORMAL, 30000, nullptr) != 0 ? 0 : 1;
  }
  if (command == L"wait-gone") return status(waitFor(wait, [] { return form() == nullptr; }));
  if (command == L"windows") {
    int count = 0;
    for (HWND window = ::FindWindowExW(nullptr, nullptr, Form1Class, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, Form1Class, nullptr))
      ++count;
    std::printf("%d\n", count);
    return 0;
  }
  if (command == L"never-shown") {
    // Polled as fast as the system lets us: a window shown for one frame
    // at start-up must not slip through.
    const ULONGLONG end = ::GetTickCount64() + std::wcstoul(wait, nullptr, 10);
    bool seen = false;
    while (::GetTickCount64() < end) {
      HWND window = form();
      if (window != nullptr) {
        seen = true;
        if (::IsWindowVisible(window)) return 1;
      }
      ::Sleep(1);
    }
    return status(seen);
  }
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
  if (command == L"wait-list") {
    if (!waitFor(wait, [] { return openList() != nullptr; })) return 1;
    HWND list = openList();
    const RECT r = listClientRect(list);
    const auto count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
    const auto height = ::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0);
    std::printf("%ld %ld %ld %ld %lld %lld\n", r.left, r.top, r.right, r.bottom,
                static_cast<long long>(count),
                static_cast<long long>(height > 0 ? (r.bottom - r.top) / height : 0));
    return 0;
  }
  if (command == L"list-item" && argc == 3) {
    HWND list = openList();
    if (list == nullptr) return 1;
    const RECT r = listClientRect(list);
    const auto height = static_cast<long>(::SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    const long item = std::wcstol(argv[2], nullptr, 10);
    if (height <= 0 || item < 0) return 2;
    std::printf("%ld %ld\n", (r.left + r.right) / 2, r.top + height * item + height / 2);
    return 0;
  }
  if (command == L"tray-rect") {
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT r{};
    if (tray == nullptr || !::GetWindowRect(tray, &r)) return 1;
    printRect(r);
    return 0;
  }
  if (command == L"wait-icon") return status(waitFor(wait, [] { return iconExists(); }));
  if (command == L"wait-no-icon") return status(waitFor(wait, [] { return !iconExists(); }));
  if (command == L"dump") return status(dump());
  if (command == L"entries") {
    for (const SettingsEntry& entry : loadOrder()) printEntry(entry, entry.defaultText());
    return 0;
  }
  if (command == L"value" && argc == 3) {
    HWND control = controlNamed(argv[2]);
    if (control == nullptr) return 1;
    printUtf8(controlValue(control));
    return 0;
  }
  if (command == L"set-text" && argc == 4) {
    HWND control = controlNamed(argv[2]);
    if (control == nullptr) return 1;
    // The edit control tells its parent (EN_CHANGE) as it does for typing.
    return status(::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3])) != FALSE);
  }
  if (command == L"control-centre" && argc == 3) {
    HWND control = controlNamed(argv[2]);
    RECT r{};
    if (control == nullptr || !::GetWindowRect(control, &r)) return 1;
    std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return 0;
  }
  if (command == L"close") {
    // Posted, as the system does for the close box: the handler may show a
    // message box, and a sent message would wait for it.
    HWND window = form();
    return status(window != nullptr && ::PostMessageW(window, WM_CLOSE, 0, 0));
  }
  if (command == L"close-app") {
    HWND window = form();
    DWORD_PTR agreed = FALSE, ignored = 0;
    return status(window != nullptr &&
                  ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_NORMAL,
                                        10000, &agreed) != 0 &&
                  agreed == TRUE &&
                  ::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_NORMAL,
                                        30000, &ignored) != 0);
  }
  if (command == L"wait-msgbox") {
    if (!waitFor(wait, [] { return messageBox() != nullptr; })) return 1;
    printUtf8(messageBoxText(messageBox()));
    return 0;
  }
  if (command == L"wait-dialog" && argc == 4)
    return status(waitFor(wait, [&] { return dialog(argv[3]) != nullptr; }));
  if (command == L"in" && argc >= 5) return inDialog(argc, argv);
  if (command == L"msgbox-front")
    return status(waitFor(wait, [] { return messageBox() != nullptr && ::GetForegroundWindow() == messageBox(); }));
  if (command == L"volatile-key" && argc == 3) {
    HKEY key = nullptr;
    const LSTATUS created = ::RegCreateKeyExW(HKEY_CURRENT_USER, argv[2], 0, nullptr, REG_OPTION_VOLATILE,
                                              KEY_READ, nullptr, &key, nullptr);
    if (created == ERROR_SUCCESS) ::RegCloseKey(key);
    return status(created == ERROR_SUCCESS);
  }
  if (command == L"wait-tip" && argc == 4) {
    const std::wstring want = argv[3];
    std::wstring text;
    const bool shown = waitFor(wait, [&] {
      HWND tip = shownTip();
      text = tip != nullptr ? windowText(tip) : L"";
      return tip != nullptr && text.find(want) != std::wstring::npos;
    });
    if (!shown) return 1;
    printUtf8(text);
    return 0;
  }
  if (command == L"wait-no-tip") return status(waitFor(wait, [] { return shownTip() == nullptr; }));
  if (command == L"wait-no-tips")
    return status(waitFor(wait, [] {
      for (HWND tip = ::FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); tip != nullptr;
           tip = ::FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr))
        if (::IsWindowVisible(tip)) return false;
      return true;
    }));
  if (command == L"tip-rect") {
    RECT r{};
    if (shownTip() == nullptr || !::GetWindowRect(shownTip(), &r)) return 1;
    printRect(r);
    return 0;
  }
  // Everyone may read it, no one may change it; then change again.
  if (command == L"lock-key" && argc == 3) return status(setKeyAccess(argv[2], L"D:P(A;;KR;;;WD)", true));
  if (command == L"unlock-key" && argc == 3) return status(setKeyAccess(argv[2], L"D:P(A;;KA;;;WD)", false));
  if (command == L"msgbox-press" && argc == 3) {
    HWND box = messageBox();
    HWND button = box == nullptr ? nullptr
                                 : ::GetDlgItem(box, static_cast<int>(std::wcstol(argv[2], nullptr, 10)));
    // Posted: the box ends its modal loop, and the program goes on, while we return.
    return status(button != nullptr && ::PostMessageW(button, BM_CLICK, 0, 0));
  }
  return 2;
}
