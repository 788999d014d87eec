// "Instant" against the real registry: Form1 with its timer and its watch,
// the timing and the real deleter, run by the program's own message loop
// while another thread writes as a foreign program would.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/rules.h"
#include "core/scan_timing.h"
#include "platform/win32/check.h"
#include "platform/win32/form1.h"
#include "platform/win32/message_loop.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {
namespace {

constexpr std::int16_t Instant = 5;

std::wstring scratchKey() {
  return L"Software\\VorlixInstantTest-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount64());
}

void setValue(const std::wstring& key, const wchar_t* name, const std::wstring& data = L"x") {
  unique_hkey k;
  checkStatus(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, k.put(), nullptr),
              "RegCreateKeyExW");
  checkStatus(::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                               static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              "RegSetValueExW");
}

bool hasValue(const std::wstring& key, const wchar_t* name) {
  return ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

bool hasKey(const std::wstring& key) {
  unique_hkey k;
  return ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

// Handles this process holds, as the system lists them.
std::size_t openHandleCount() {
  struct Entry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT backTrace;
    USHORT type;
    ULONG attributes;
    ULONG reserved;
  };
  struct Table {
    ULONG_PTR count;
    ULONG_PTR reserved;
    Entry entries[1];
  };
  // The class is missing from the headers' enumeration: called by number.
  using Query = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  constexpr ULONG SystemExtendedHandleInformation = 64;
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) throw std::runtime_error("no NtQuerySystemInformation");
  std::vector<char> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(SystemExtendedHandleInformation, buffer.data(),
                              static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (buffer.size() >= (1u << 28)) throw std::runtime_error("no handle list");
    buffer.resize(buffer.size() * 4);
  }
  const auto* table = reinterpret_cast<const Table*>(buffer.data());
  std::size_t count = 0;
  for (ULONG_PTR i = 0; i < table->count; ++i)
    count += table->entries[i].processId == ::GetCurrentProcessId();
  return count;
}

// The loop's exit for runUntil: a thread timer that checks the condition.
std::function<bool()> loopDone;
ULONGLONG loopEnd = 0;
bool loopHeld = false;
void CALLBACK checkLoop(HWND, UINT, UINT_PTR, DWORD) {
  if (loopDone()) {
    loopHeld = true;
    ::PostQuitMessage(0);
  } else if (::GetTickCount64() >= loopEnd) {
    ::PostQuitMessage(0);
  }
}

// The window's events as the program hands them on, counted.
struct InstantRig final : ui::WindowEvents {
  Form1 form{::GetModuleHandleW(nullptr), [](DWORD, NOTIFYICONDATAW*) { return TRUE; }};
  RegistryApiDeleter deleter;
  ScanTiming timing{form.timer(), form.registryWatch(), form.controls(), deleter};
  int ticks = 0;
  int reports = 0;

  InstantRig() { form.setEvents(this); }

  void timerFired() override {
    ++ticks;
    timing.timerFired();
  }
  void registryChanged() override {
    ++reports;
    timing.registryChanged();
  }
  void ruleEdited() override { timing.rulesChanged(); }
  void okClicked() override {}
  void cancelClicked() override {}
  void scannerClicked() override {}
  void priorityPicked() override {}
  void trayNotified(const ui::TrayNotification&) override {}
  void closeClicked() override {}
  void configureRequested() override {}
  void sessionEnding() override {}
  void unloading(ui::UnloadCause) override {}

  void rule(int slot, const std::wstring& key, const std::wstring& value, Hive hive = Hive::CurrentUser) {
    RuleSlot s = RuleTable(form.controls()).slot(slot);
    s.setHiveIndex(static_cast<std::int16_t>(hive));
    s.setKeyPath(key);
    s.setValueName(value);
    s.setEnableState(CheckState::Checked);
  }
  void scanAtInstant() {
    ProgramOptions options(form.controls(), &timing);
    options.setPriorityIndex(Instant);
    options.setScannerState(CheckState::Checked);
  }
  void stopScanning() {
    ProgramOptions(form.controls(), &timing).setScannerState(CheckState::Unchecked);
  }

  // Runs the program's loop until `done` holds or `ms` have passed; says
  // whether it held.
  bool runUntil(std::function<bool()> done, DWORD ms) {
    loopDone = std::move(done);
    loopEnd = ::GetTickCount64() + ms;
    loopHeld = false;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &checkLoop);
    runMessageLoop(form, &form.watcher());
    ::KillTimer(nullptr, timer);
    return loopHeld;
  }
};

class InstantScratch : public ::testing::Test {
 protected:
  void TearDown() override { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, base_.c_str()); }  // best effort
  std::wstring at(const wchar_t* relative) const { return base_ + L"\\" + relative; }
  const std::wstring base_ = scratchKey();
};

struct ReCreation {
  const char* what;
  const wchar_t* ruleKey;  // below the scratch key
  const wchar_t* ruleValue;
  const wchar_t* removed;  // each round, so that the rule's key is missing
  bool removedByWriter = false;  // right before it writes, rather than long before
};

const ReCreation kReCreations[] = {
    {"a value in its key", L"Values", L"V", nullptr},
    {"a leaf key", L"Leaf", L"", nullptr},
    {"a value whose key is missing until the writer makes it", L"Later\\Deeper", L"V", L"Later"},
    {"a leaf key whose parent is missing until the writer makes it", L"Parent\\Leaf", L"", L"Parent"},
    {"a value whose key the writer deletes and creates again with it", L"Whole", L"V", L"Whole", true},
    {"a leaf key whose parent the writer deletes and creates again with it", L"Again\\Leaf", L"",
     L"Again", true},
};

class InstantReCreation : public InstantScratch, public ::testing::WithParamInterface<ReCreation> {};

TEST_P(InstantReCreation, IsDeletedAsSoonAsItIsWrittenWithoutATimerTick) {
  const ReCreation& c = GetParam();
  const std::wstring key = at(c.ruleKey);
  const bool isKey = c.ruleValue[0] == L'\0';
  setValue(base_, L"base");  // the scratch key exists; below it nothing yet
  InstantRig rig;
  rig.rule(3, key, c.ruleValue);
  rig.scanAtInstant();
  auto present = [&] { return isKey ? hasKey(key) : hasValue(key, c.ruleValue); };
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Ignored: in the first round there is nothing to remove.
    const auto remove = [&] { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, at(c.removed).c_str()); };
    if (c.removed != nullptr && !c.removedByWriter) remove();
    ASSERT_TRUE(rig.runUntil([&] { return !present(); }, 2000));
    std::atomic<bool> written = false;
    std::thread writer([&] {
      ::Sleep(50);
      if (c.removedByWriter) remove();
      setValue(key, isKey ? L"in the key" : c.ruleValue);
      written = true;
    });
    const bool deleted = rig.runUntil([&] { return written && !present(); }, 3000);
    writer.join();
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(present());
  }
  EXPECT_EQ(rig.ticks, 0) << "the timer at Instant fires every 10 s";
  EXPECT_GE(rig.reports, 3);
}

INSTANTIATE_TEST_SUITE_P(Entries, InstantReCreation, ::testing::ValuesIn(kReCreations),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// Wine's HKEY_CLASSES_ROOT shows the machine's classes alone: a value
// written back into the user's is seen only because that part is watched.
TEST(InstantClassesRoot, AValueWrittenIntoTheUsersClassesGoesAtOnce) {
  const std::wstring name = L"VorlixInstantTest-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring key = L"Software\\Classes\\" + name;
  setValue(key, L"base");
  InstantRig rig;
  rig.rule(3, name, L"V", Hive::ClassesRoot);
  rig.scanAtInstant();
  std::atomic<bool> written = false;
  std::thread writer([&] {
    ::Sleep(50);
    setValue(key, L"V");
    written = true;
  });
  const bool deleted = rig.runUntil([&] { return written && !hasValue(key, L"V"); }, 3000);
  writer.join();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(rig.ticks, 0);
  EXPECT_TRUE(hasValue(key, L"base"));
  (void)::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());  // best effort
}

TEST_F(InstantScratch, ABurstOfChangesInSeveralKeysIsOnePass) {
  for (const wchar_t* k : {L"A", L"B", L"C"}) setValue(at(k), L"first");
  InstantRig rig;
  rig.rule(1, at(L"A"), L"Never written");
  rig.rule(2, at(L"B"), L"Never written");
  rig.rule(5, at(L"C"), L"Never written");
  rig.scanAtInstant();
  for (int burst = 1; burst <= 3; ++burst) {
    SCOPED_TRACE("burst " + std::to_string(burst));
    // Written while the program is busy elsewhere: all of it waits for the
    // loop together. New data each time: Wine reports no change for a value
    // set to what it holds.
    for (int n = 0; n < 30; ++n)
      for (const wchar_t* k : {L"A", L"B", L"C"})
        setValue(at(k), std::to_wstring(n).c_str(), std::to_wstring(burst));
    EXPECT_TRUE(rig.runUntil([&] { return rig.reports >= burst; }, 10000));
    rig.runUntil([] { return false; }, 300);  // time for a second report, which must not come
    EXPECT_EQ(rig.reports, burst);
  }
}

TEST_F(InstantScratch, NoHandleStaysOpenOnceScanningStopsOrTheWindowGoes) {
  setValue(at(L"A"), L"v");
  setValue(at(L"B"), L"v");
  { InstantRig warmUp; }  // the first window of a process opens what the process keeps
  const std::size_t beforeWindow = openHandleCount();
  {
    InstantRig rig;
    rig.rule(1, at(L"A"), L"V");
    rig.rule(2, at(L"B\\Leaf"), L"");
    rig.rule(3, at(L"Missing\\Deeper"), L"V");  // watched at the scratch key
    const std::size_t idle = openHandleCount();
    rig.scanAtInstant();
    // A, B, the scratch key and Software above it.
    EXPECT_EQ(rig.form.watcher().watchCount(), 4u);
    EXPECT_GE(openHandleCount(), idle + 8) << "a key and an event per watch";
    rig.runUntil([] { return false; }, 100);
    rig.stopScanning();
    EXPECT_EQ(rig.form.watcher().watchCount(), 0u);
    EXPECT_EQ(openHandleCount(), idle);

    rig.scanAtInstant();  // and still armed as the window goes
    ASSERT_EQ(rig.form.watcher().watchCount(), 4u);
  }
  EXPECT_EQ(openHandleCount(), beforeWindow);
}

}  // namespace
}  // namespace vorlix::win32
