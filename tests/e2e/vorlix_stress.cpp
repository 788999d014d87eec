// The second process of the stress runs of vorlix.exe, in the same Wine
// prefix: it stores and dumps configurations, sets the window's rules as a
// user would, plants the entries that the soak rules delete and judges every
// scan pass, and reads the program's handles, GDI and USER objects and
// memory from outside.
//
//   vorlix_stress store-soak          the soak configuration ("Very High",
//                                     twelve active rules) and the key with
//                                     subkeys that must survive
//   vorlix_stress window-soak         the soak rules into the window
//   vorlix_stress window-edit SEED    one random edit of a soak rule, never
//                                     the canary's, in the window
//   vorlix_stress store-random SEED   a random configuration into the store
//   vorlix_stress window-random SEED  a random configuration into the window
//   vorlix_stress store-dump          the 50 stored entries, as
//                                     "section<TAB>key<TAB>value" lines
//   vorlix_stress resources           the program's figures, one line
//   vorlix_stress plant               plants and judges until stdin says
//                                     "stop"; see plant() below
//
// Exit status 0 on success, 1 on a failure, 2 on a usage error.
#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/win32/registry_settings_store.h"
#include "platform/win32/unique_handle.h"
#include "settings/stored_entries.h"
#include "support/system_handles.h"
#include "ui/layout.h"

namespace {

using namespace vorlix;
using win32::unique_handle;
using win32::unique_hkey;

// --- The soak rules ---------------------------------------------------------

struct SoakRule {
  HKEY root;
  std::int16_t hive;  // as the window's hive list numbers it
  const wchar_t* keyPath;
  const wchar_t* valueName;
};

// Slot 1 is the canary: planted again after each deletion, it counts the
// passes. Slot 7 names a key that has a subkey, which no pass may delete.
constexpr int Canary = 1;
constexpr int KeyWithSubkey = 7;
const std::array<SoakRule, SlotCount> SoakRules{{
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Canary", L"Canary"},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Values", L"Plain"},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Values", L"Wert äöü ß"},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Werte 日本", L"名前"},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Leaf", L""},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Blätter\\Ünïcødé", L""},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Parent", L""},
    {HKEY_LOCAL_MACHINE, 2, L"Software\\VorlixSoak", L"Machine"},
    {HKEY_CURRENT_USER, 1, L"", L"VorlixSoak root value"},
    {HKEY_CURRENT_USER, 1, L"Software\\VorlixSoak\\Values", L"emoji 😀"},
    {HKEY_USERS, 3, L".DEFAULT\\Software\\VorlixSoak", L"Users value"},
    {HKEY_CLASSES_ROOT, 0, L"VorlixSoak.Type\\Leaf", L""},
}};
constexpr wchar_t ChildOfParent[] = L"Software\\VorlixSoak\\Parent\\Child";

const SoakRule& soakRule(int slot) { return SoakRules[static_cast<std::size_t>(slot - 1)]; }

void check(LSTATUS status, const char* what) {
  if (status != ERROR_SUCCESS) throw std::runtime_error(std::string(what) + " failed");
}

void setValue(HKEY key, const wchar_t* name, const std::wstring& data) {
  check(::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
        "RegSetValueExW");
}

// No view flag: this 64-bit helper sees the 64-bit view, and under Wine a
// view flag on HKEY_CLASSES_ROOT costs a handle per call.
unique_hkey createKey(HKEY root, const wchar_t* path) {
  unique_hkey key;
  check(::RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.put(), nullptr),
        "RegCreateKeyExW");
  return key;
}

// A value in its key (the hive's root key for an empty path), or a key that
// gets a value of its own.
void plantEntry(const SoakRule& rule) {
  if (*rule.valueName == L'\0') {
    setValue(createKey(rule.root, rule.keyPath).get(), L"Inside", L"planted");
  } else if (*rule.keyPath == L'\0') {
    setValue(rule.root, rule.valueName, L"planted");
  } else {
    setValue(createKey(rule.root, rule.keyPath).get(), rule.valueName, L"planted");
  }
}

bool entryExists(const SoakRule& rule) {
  if (*rule.valueName == L'\0') {
    unique_hkey key;
    return ::RegOpenKeyExW(rule.root, rule.keyPath, 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
  }
  return ::RegGetValueW(rule.root, *rule.keyPath ? rule.keyPath : nullptr, rule.valueName,
                        RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void plantKeyWithSubkey() {
  setValue(createKey(HKEY_CURRENT_USER, soakRule(KeyWithSubkey).keyPath).get(), L"Own value", L"kept");
  setValue(createKey(HKEY_CURRENT_USER, ChildOfParent).get(), L"Child value", L"kept");
}

bool keyWithSubkeyIntact() {
  return ::RegGetValueW(HKEY_CURRENT_USER, soakRule(KeyWithSubkey).keyPath, L"Own value",
                        RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         ::RegGetValueW(HKEY_CURRENT_USER, ChildOfParent, L"Child value", RRF_RT_REG_SZ, nullptr,
                        nullptr, nullptr) == ERROR_SUCCESS;
}

// --- Configurations ---------------------------------------------------------

// The 50 entries in the load order, in stored form.
using Configuration = std::vector<std::wstring>;

Configuration soakConfiguration() {
  Configuration c;
  for (const SettingsEntry& e : loadOrder()) {
    const int slot = e.slot;
    switch (e.item()) {
      case ConfigItem::HiveIndex: c.push_back(std::to_wstring(soakRule(slot).hive)); break;
      case ConfigItem::PriorityIndex: c.push_back(L"4"); break;
      case ConfigItem::ScannerState: c.push_back(L"1"); break;
      case ConfigItem::EnableState: c.push_back(L"1"); break;
      case ConfigItem::KeyPath: c.push_back(soakRule(slot).keyPath); break;
      case ConfigItem::ValueName: c.push_back(soakRule(slot).valueName); break;
    }
  }
  return c;
}

// Rules that name harmless entries below a scratch key, mostly enabled, with
// non-ASCII texts; a different configuration for every seed.
Configuration randomConfiguration(unsigned seed) {
  std::mt19937 rng(seed);
  const auto pick = [&](int count) { return static_cast<int>(rng() % static_cast<unsigned>(count)); };
  const wchar_t* const words[] = {L"Alpha", L"Beta", L"Ünïcødé", L"日本語", L"Gamma Δ", L"ß"};
  Configuration c;
  for (const SettingsEntry& e : loadOrder()) {
    switch (e.item()) {
      case ConfigItem::HiveIndex: c.push_back(std::to_wstring(pick(3) == 0 ? pick(6) - 1 : 1)); break;
      case ConfigItem::PriorityIndex: c.push_back(std::to_wstring(pick(6) - 1)); break;
      case ConfigItem::ScannerState: c.push_back(std::to_wstring(pick(3))); break;
      case ConfigItem::EnableState: c.push_back(std::to_wstring(pick(5) == 0 ? pick(3) : 1)); break;
      case ConfigItem::KeyPath:
        c.push_back(std::wstring(L"Software\\VorlixCut\\") + words[pick(6)] + L" " + std::to_wstring(pick(100)));
        break;
      case ConfigItem::ValueName:
        c.push_back(pick(4) == 0 ? L"" : std::wstring(words[pick(6)]) + L" " + std::to_wstring(pick(100)));
        break;
    }
  }
  return c;
}

void store(const Configuration& c) {
  win32::RegistrySettingsStore settings;
  const EntryOrder order = loadOrder();
  for (std::size_t i = 0; i < order.size(); ++i)
    settings.writeSetting(SettingsApplication, order[i].section(), order[i].key(), c[i]);
}

void printUtf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

// As the e2e scripts print the store: what is there, "<absent>" or why not.
void dumpStore() {
  win32::RegistrySettingsStore settings;
  for (const SettingsEntry& e : loadOrder()) {
    std::wstring value;
    try {
      value = settings.readSetting(SettingsApplication, e.section(), e.key(), L"<absent>");
    } catch (const SettingsStoreError& error) {
      value = L"<" + error.reason() + L">";
    }
    printUtf8(std::wstring(e.section()) + L"\t" + e.key() + L"\t" + value);
  }
}

// --- The window ---------------------------------------------------------------

HWND form() {
  HWND window = ::FindWindowW(L"Vorlix.Form1", L"Configure");
  if (window == nullptr) throw std::runtime_error("no window of vorlix.exe");
  return window;
}

HWND control(int id) {
  HWND c = ::GetDlgItem(form(), id);
  if (c == nullptr) throw std::runtime_error("no such control");
  return c;
}

// Messages, as the probe sends them: each reaches the other process's control.
void showRulePart(const SettingsEntry& e, const std::wstring& value) {
  const int slot = e.slot;
  switch (e.item()) {
    case ConfigItem::HiveIndex:
      ::SendMessageW(control(ui::ids::combo(slot)), CB_SETCURSEL, static_cast<WPARAM>(std::stoi(value)), 0);
      return;
    case ConfigItem::EnableState:
      ::SendMessageW(control(ui::ids::checkBox(slot)), BM_SETCHECK, static_cast<WPARAM>(std::stoi(value)), 0);
      return;
    case ConfigItem::KeyPath:
    case ConfigItem::ValueName: {
      const TextField field = e.item() == ConfigItem::KeyPath ? TextField::KeyPath : TextField::ValueName;
      // As typing: the edit control tells its parent (EN_CHANGE).
      if (!::SendMessageW(control(ui::ids::textBox(field, slot)), WM_SETTEXT, 0,
                          reinterpret_cast<LPARAM>(value.c_str())))
        throw std::runtime_error("WM_SETTEXT refused");
      return;
    }
    case ConfigItem::PriorityIndex:
      ::SendMessageW(control(ui::ids::Combo13), CB_SETCURSEL, static_cast<WPARAM>(std::stoi(value)), 0);
      return;
    case ConfigItem::ScannerState:
      ::SendMessageW(control(ui::ids::scanenabled), BM_SETCHECK, static_cast<WPARAM>(std::stoi(value)), 0);
      return;
  }
}

void showInWindow(const Configuration& c, bool rulesOnly) {
  const EntryOrder order = loadOrder();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ConfigItem item = order[i].item();
    if (rulesOnly && (item == ConfigItem::PriorityIndex || item == ConfigItem::ScannerState)) continue;
    showRulePart(order[i], c[i]);
  }
}

// Renames, re-hives or unticks one soak rule other than the canary.
void editOneRule(unsigned seed) {
  std::mt19937 rng(seed);
  const int slot = 2 + static_cast<int>(rng() % (SlotCount - 1));
  switch (rng() % 4) {
    case 0: showRulePart({&SettingsLayout[5], slot}, L"edited " + std::to_wstring(seed)); break;
    case 1: showRulePart({&SettingsLayout[4], slot}, L"Software\\VorlixSoak\\Edited"); break;
    case 2: showRulePart({&SettingsLayout[0], slot}, L"4"); break;
    default: showRulePart({&SettingsLayout[3], slot}, L"0"); break;
  }
}

// --- The program's figures ------------------------------------------------------


void printResources() {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(form(), &pid);
  const unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) throw std::runtime_error("OpenProcess failed");
  DWORD handleCountApi = 0;
  (void)::GetProcessHandleCount(process.get(), &handleCountApi);  // 0 under Wine 8
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof(memory);
  if (!::GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory)))
    throw std::runtime_error("GetProcessMemoryInfo failed");
  // Wine fills only the plain counters (cb says so); its PagefileUsage is
  // the process's resident anonymous memory and swap: its private bytes.
  const SIZE_T privateBytes = memory.cb >= sizeof(memory) && memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
  std::printf("handles=%ld gdi=%ld user=%ld private=%llu workingset=%llu "
              "api_handles=%lu api_gdi=%lu api_user=%lu\n",
              test::handleCountOf(pid), test::gdiObjectsOf(process.get()), test::windowsOf(pid),
              static_cast<unsigned long long>(privateBytes),
              static_cast<unsigned long long>(memory.WorkingSetSize), handleCountApi,
              ::GetGuiResources(process.get(), GR_GDIOBJECTS), ::GetGuiResources(process.get(), GR_USEROBJECTS));
}

// --- Planting and judging ----------------------------------------------------

// Lines from stdin, read on their own thread.
class Commands {
 public:
  Commands() : ready_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    std::thread([this] {
      std::string line;
      char c = 0;
      DWORD got = 0;
      while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1) {
        if (c == '\r') continue;
        if (c != '\n') {
          line += c;
          continue;
        }
        push(std::exchange(line, {}));
      }
      push("stop");  // the driver went away
    }).detach();
  }
  HANDLE event() const { return ready_.get(); }
  bool next(std::string& command) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    command = queue_.front();
    queue_.pop_front();
    return true;
  }

 private:
  void push(std::string command) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(command));
    ::SetEvent(ready_.get());
  }
  unique_handle ready_;
  std::mutex mutex_;
  std::deque<std::string> queue_;
};

// Until stdin says "stop": plants the canary again as soon as a pass deletes
// it (one deletion, one pass), and the other entries at random moments.
// Between "busy" and "ready" (each answered "ok") the driver may change the
// rules in the window, so only passes that began after a "ready" and after
// an entry was planted judge it: when the canary of a later pass goes, the
// entry must be gone. The key with a subkey must stay whole throughout.
int plant(unsigned seed) {
  std::mt19937 rng(seed);
  const SoakRule& canary = soakRule(Canary);
  unique_hkey canaryKey = createKey(canary.root, canary.keyPath);
  const unique_handle changed(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  const auto watch = [&] {
    check(::RegNotifyChangeKeyValue(canaryKey.get(), FALSE, REG_NOTIFY_CHANGE_LAST_SET, changed.get(), TRUE),
          "RegNotifyChangeKeyValue");
  };
  // Never freed: its reading thread may still wake after the "stop".
  Commands& commands = *new Commands;

  long passes = 0, recreated = 0, judged = 0, survived = 0, keyWithSubkeyLost = 0;
  long canaries = 0;   // canaries planted; each pass deletes one
  long readyFrom = 0;  // the first canary planted after the last "ready"
  bool judging = false;
  std::array<long, SlotCount + 1> plantedBefore{};  // the canary count at planting; 0: not planted
  std::wstring survivors;

  watch();
  plantEntry(canary);
  ++canaries;
  for (int slot = 2; slot <= SlotCount; ++slot) {
    if (slot == KeyWithSubkey) continue;
    plantEntry(soakRule(slot));
    plantedBefore[static_cast<std::size_t>(slot)] = canaries;
  }
  ULONGLONG nextPlanting = ::GetTickCount64();

  for (;;) {
    const HANDLE events[] = {changed.get(), commands.event()};
    const ULONGLONG now = ::GetTickCount64();
    const DWORD wait = nextPlanting > now ? static_cast<DWORD>(nextPlanting - now) : 0;
    const DWORD woke = ::WaitForMultipleObjects(2, events, FALSE, wait);

    if (woke == WAIT_OBJECT_0 + 1) {
      std::string command;
      while (commands.next(command)) {
        if (command == "busy") judging = false;
        if (command == "ready") {
          judging = true;
          readyFrom = canaries + 1;
        }
        if (command == "stop") {
          std::printf("passes %ld\nrecreated %ld\njudged %ld\nsurvived %ld\nkey_with_subkey_lost %ld\n",
                      passes, recreated, judged, survived, keyWithSubkeyLost);
          if (!survivors.empty()) printUtf8(L"survivors" + survivors);
          std::fflush(stdout);
          return 0;
        }
        std::printf("ok\n");
        std::fflush(stdout);
      }
      continue;
    }

    if (woke == WAIT_OBJECT_0) {
      watch();
      if (entryExists(canary)) continue;  // our own planting
      ++passes;
      if (!keyWithSubkeyIntact()) {
        ++keyWithSubkeyLost;
        plantKeyWithSubkey();
      }
      // Canary number `canaries` just went: pass P started. The pass that
      // deleted canary `canaries - 1` has ended.
      for (int slot = 2; slot <= SlotCount; ++slot) {
        long& planted = plantedBefore[static_cast<std::size_t>(slot)];
        if (planted == 0) continue;
        const long firstJudge = std::max(planted + 1, readyFrom);  // a pass begun after both
        if (!judging || canaries - 1 < firstJudge) continue;
        ++judged;
        if (entryExists(soakRule(slot))) {
          ++survived;
          survivors += L" " + std::to_wstring(slot);
        }
        planted = 0;
      }
      plantEntry(canary);
      ++canaries;
      continue;
    }

    // A random moment: plant a few of the entries that are gone, once their
    // last planting has been judged.
    for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) {
      const int slot = 2 + static_cast<int>(rng() % (SlotCount - 1));
      if (slot == KeyWithSubkey || (judging && plantedBefore[static_cast<std::size_t>(slot)] != 0) ||
          entryExists(soakRule(slot)))
        continue;
      plantEntry(soakRule(slot));
      ++recreated;
      plantedBefore[static_cast<std::size_t>(slot)] = canaries;
    }
    nextPlanting = ::GetTickCount64() + 50 + rng() % 650;
  }
}

int run(int argc, wchar_t** argv) {
  const std::wstring command = argv[1];
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::wcstoul(argv[2], nullptr, 10)) : 1;
  if (command == L"store-soak") {
    store(soakConfiguration());
    plantKeyWithSubkey();
    return 0;
  }
  if (command == L"window-soak") return showInWindow(soakConfiguration(), true), 0;
  if (command == L"window-edit" && argc == 3) return editOneRule(seed), 0;
  if (command == L"store-random" && argc == 3) return store(randomConfiguration(seed)), 0;
  if (command == L"window-random" && argc == 3) return showInWindow(randomConfiguration(seed), false), 0;
  if (command == L"store-dump") return dumpStore(), 0;
  if (command == L"resources") return printResources(), 0;
  if (command == L"plant") return plant(seed);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  try {
    return run(argc, argv);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "vorlix_stress: %s\n", failure.what());
    return 1;
  }
}
