// The Windows side of bench/run-program: starts a tray program, times it to
// its icon, reads its memory, stores the configurations to measure, and
// ends it, each as the system sees it from another process.
//
//   program_bench start-to-icon EXE CLASS RUNS   median time from process
//                                                start to the icon (ms)
//   program_bench start-to-icon-pair EXE1 CLASS1 EXE2 CLASS2 RUNS
//                                                the same for two programs,
//                                                started in turn, so that both
//                                                meet the same load of a
//                                                shared machine
//   program_bench start EXE CLASS                starts it, waits for its icon
//   program_bench configure-time EXE CLASS RUNS  median time from the click on
//                                                Configure to the window shown,
//                                                each in a fresh start (ms)
//   program_bench memory CLASS                   "private working-set" (bytes)
//   program_bench objects CLASS                  "windows GDI apiGDI apiUSER":
//                                                its windows (children too),
//                                                its GDI handle table's live
//                                                entries, and GetGuiResources'
//                                                figures (Wine: always 0)
//   program_bench stop CLASS                     WM_CLOSE, waits for the end
//   program_bench store scanner-off|twelve-rules the settings to measure
//
// EXE is a Windows path; CLASS the class of the program's top-level window,
// whose icon has id 1. Exit status 0 on success, 1 on a failure, 2 on a
// usage error.
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/registry_settings_store.h"
#include "platform/win32/unique_handle.h"
#include "support/system_handles.h"

namespace {

using vorlix::win32::unique_handle;

double nowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / perMs;
}

// The top-level window of that class, of that process if one is given.
HWND findWindow(const wchar_t* windowClass, DWORD processId = 0) {
  for (HWND w = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); w != nullptr;
       w = ::FindWindowExW(nullptr, w, windowClass, nullptr)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    if (processId == 0 || owner == processId) return w;
  }
  return nullptr;
}

// The shell answers a modify of an icon it does not hold with failure.
bool iconShown(HWND window) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = window;
  nid.uID = 1;
  return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

// Starts the program and returns the time to its icon; the program runs on.
double startAndWaitForIcon(const std::wstring& exe, const wchar_t* windowClass) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  const double start = nowMs();
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
    throw std::runtime_error("cannot start the program");
  const unique_handle process(pi.hProcess);
  const unique_handle thread(pi.hThread);
  // Polled every millisecond: the figure is the start-up, not the poll.
  for (HWND window = nullptr;;) {
    if (window == nullptr) window = findWindow(windowClass, pi.dwProcessId);
    if (window != nullptr && iconShown(window)) return nowMs() - start;
    if (nowMs() - start > 30000) throw std::runtime_error("no tray icon within 30 s");
    if (::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0)
      throw std::runtime_error("the program ended at start-up");
    ::Sleep(1);
  }
}


HWND openMenu() {
  HWND menu = ::FindWindowW(L"#32768", nullptr);
  return menu != nullptr && ::IsWindowVisible(menu) ? menu : nullptr;
}

template <class Condition>
void waitFor(const char* what, Condition done) {
  const double start = nowMs();
  while (!done()) {
    if (nowMs() - start > 30000) throw std::runtime_error(what);
    ::Sleep(1);
  }
}

void click(POINT at) {
  // Absolute coordinates run from 0 to 65535 across the primary screen.
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT input[3]{};
  for (INPUT& i : input) {
    i.type = INPUT_MOUSE;
    i.mi.dx = static_cast<LONG>((at.x * 65535 + width / 2) / (width - 1));
    i.mi.dy = static_cast<LONG>((at.y * 65535 + height / 2) / (height - 1));
  }
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  if (::SendInput(3, input, sizeof(INPUT)) != 3) throw std::runtime_error("SendInput failed");
}

// Opens the icon's menu as the shell does for a right click (version 4: the
// event in the low word, the icon in the high word, the position in
// wParam), then clicks its first item, Configure, as a user does. The time
// runs from the click to the window shown.
double configureTime(HWND window) {
  ::PostMessageW(window, WM_APP + 1, MAKEWPARAM(500, 500), MAKELPARAM(WM_CONTEXTMENU, 1));
  waitFor("no popup menu within 30 s", [] { return openMenu() != nullptr; });
  // The items are text items of one height: the first is the top one.
  RECT client{};
  ::GetClientRect(openMenu(), &client);
  ::MapWindowPoints(openMenu(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  const LONG itemHeight = (client.bottom - client.top) / 2;
  ::Sleep(100);  // the menu settles (drawn, tracking the mouse)
  const double start = nowMs();
  click({(client.left + client.right) / 2, client.top + itemHeight / 2});
  waitFor("the window was not shown within 30 s", [&] { return ::IsWindowVisible(window) != FALSE; });
  return nowMs() - start;
}

unique_handle openProcessOf(const wchar_t* windowClass, DWORD access) {
  HWND window = findWindow(windowClass);
  if (window == nullptr) throw std::runtime_error("no window of that class");
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  unique_handle process(::OpenProcess(access, FALSE, id));
  if (!process) throw std::runtime_error("OpenProcess failed");
  return process;
}

void stop(const wchar_t* windowClass) {
  const unique_handle process = openProcessOf(windowClass, SYNCHRONIZE);
  if (!::PostMessageW(findWindow(windowClass), WM_CLOSE, 0, 0))
    throw std::runtime_error("cannot post WM_CLOSE");
  if (::WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0)
    throw std::runtime_error("the program did not end within 15 s");
}

void printMemory(const wchar_t* windowClass) {
  const unique_handle process =
      openProcessOf(windowClass, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  PROCESS_MEMORY_COUNTERS_EX c{};
  c.cb = sizeof(c);
  if (!::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c),
                              sizeof(c)))
    throw std::runtime_error("GetProcessMemoryInfo failed");
  // Wine fills only the plain counters (cb says so); their commit charge,
  // PagefileUsage, is the same private figure.
  const SIZE_T privateBytes = c.cb >= sizeof(c) && c.PrivateUsage != 0 ? c.PrivateUsage : c.PagefileUsage;
  std::printf("%llu %llu\n", static_cast<unsigned long long>(privateBytes),
              static_cast<unsigned long long>(c.WorkingSetSize));
}

void printObjects(const wchar_t* windowClass) {
  const unique_handle process =
      openProcessOf(windowClass, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  std::printf("%ld %ld %lu %lu\n", vorlix::test::windowsOf(::GetProcessId(process.get())),
              vorlix::test::gdiObjectsOf(process.get()), ::GetGuiResources(process.get(), GR_GDIOBJECTS),
              ::GetGuiResources(process.get(), GR_USEROBJECTS));
}

// "Very High", scanner on, twelve active rules naming missing values in
// existing keys: the steady state of a scanner that has done its work.
void storeTwelveRules(vorlix::SettingsStore& store) {
  store.writeSetting(L"StartUp", L"Reg", L"13", L"4");
  store.writeSetting(L"StartUp", L"Reg", L"Enabled", L"1");
  for (int n = 1; n <= 12; ++n) {
    const std::wstring slot = std::to_wstring(n);
    const std::wstring key = L"Software\\VorlixBench\\Rule" + slot;
    vorlix::win32::unique_hkey created;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_READ, nullptr,
                          created.put(), nullptr) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create a rule's key");
    store.writeSetting(L"StartUp", L"Reg", slot, L"1");
    store.writeSetting(L"StartUp", L"EnableKeys", slot, L"1");
    store.writeSetting(L"StartUp", L"keydirs", slot, key);
    store.writeSetting(L"StartUp", L"keynames", slot, L"Missing value");
  }
}

int run(int argc, wchar_t** argv) {
  const std::wstring command = argv[1];
  if (command == L"start-to-icon" && argc == 5) {
    std::vector<double> runs;
    for (int i = std::max(1, _wtoi(argv[4])); i > 0; --i) {
      runs.push_back(startAndWaitForIcon(argv[2], argv[3]));
      stop(argv[3]);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%.0f %.0f %.0f\n", runs[runs.size() / 2], runs.front(), runs.back());
    return 0;
  }
  if (command == L"start-to-icon-pair" && argc == 7) {
    std::vector<double> first, second;
    for (int i = std::max(1, _wtoi(argv[6])); i > 0; --i) {
      first.push_back(startAndWaitForIcon(argv[2], argv[3]));
      stop(argv[3]);
      second.push_back(startAndWaitForIcon(argv[4], argv[5]));
      stop(argv[5]);
    }
    for (std::vector<double>* runs : {&first, &second}) {
      std::sort(runs->begin(), runs->end());
      std::printf("%.0f %.0f %.0f\n", (*runs)[runs->size() / 2], runs->front(), runs->back());
    }
    return 0;
  }
  if (command == L"configure-time" && argc == 5) {
    std::vector<double> runs;
    for (int i = std::max(1, _wtoi(argv[4])); i > 0; --i) {
      startAndWaitForIcon(argv[2], argv[3]);
      runs.push_back(configureTime(findWindow(argv[3])));
      stop(argv[3]);
    }
    std::sort(runs.begin(), runs.end());
    std::printf("%.0f %.0f %.0f\n", runs[runs.size() / 2], runs.front(), runs.back());
    return 0;
  }
  if (command == L"objects" && argc == 3) {
    printObjects(argv[2]);
    return 0;
  }
  if (command == L"start" && argc == 4) {
    std::printf("%.0f\n", startAndWaitForIcon(argv[2], argv[3]));
    return 0;
  }
  if (command == L"memory" && argc == 3) {
    printMemory(argv[2]);
    return 0;
  }
  if (command == L"stop" && argc == 3) {
    stop(argv[2]);
    return 0;
  }
  if (command == L"store" && argc == 3) {
    vorlix::win32::RegistrySettingsStore store;
    if (std::wstring(argv[2]) == L"scanner-off") {
      store.writeSetting(L"StartUp", L"Reg", L"Enabled", L"0");
      return 0;
    }
    if (std::wstring(argv[2]) == L"twelve-rules") {
      storeTwelveRules(store);
      return 0;
    }
  }
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  try {
    return run(argc, argv);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "program_bench: %s\n", failure.what());
    return 1;
  }
}
