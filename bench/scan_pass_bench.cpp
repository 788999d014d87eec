// Cost of one scan pass over twelve active rules, as the program runs it
// (each rule's outcome kept for its row's tip), against
//   the same pass as the service runs it: each path walked key by key with
//   no registry link followed, and deleted through the walk's handles,
//   the pass with each deletion kept first (the program's own), the value
//   written back with the same data each time, so that it is only counted,
//   and with new data each time, so that each copy goes to the disk,
//   the floor: the same twelve deletions as bare RegDeleteKeyValueW calls, and
//   the scripting object: "WScript.Shell" created, asked to RegDelete through
//   IDispatch and released, once per deletion.
// Two cases: every entry present (re-created, untimed, before each pass) and
// every value missing from its (existing) key. Figures are medians over
// rounds; the methods take turns within a round and lead in rotation, so that
// drift in the machine's load and order effects hit all alike.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/deleted_entries.h"
#include "core/rules.h"
#include "core/scan_pass.h"
#include "platform/memory/memory_controls.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"

namespace {

using namespace vorlix;

constexpr int kRules = SlotCount;
constexpr int kRounds = 21;
constexpr int kPassesPerRound = 25;

double nowMicroseconds() {
  static const double perSecond = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1e6 / perSecond;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Twelve rules, each naming one value in its own key below the scratch key.
struct Scratch {
  std::wstring root = L"Software\\VorlixBench-" + std::to_wstring(::GetCurrentProcessId());
  std::wstring keyOf(int n) const { return root + L"\\Rule" + std::to_wstring(n); }
  static constexpr const wchar_t* kValue = L"Entry";
  // Composed once, so the floor is the API calls and nothing else.
  std::vector<std::wstring> keys = [this] {
    std::vector<std::wstring> k;
    for (int n = 1; n <= kRules; ++n) k.push_back(keyOf(n));
    return k;
  }();

  void createAll(DWORD data = 1) const {
    for (int n = 1; n <= kRules; ++n) {
      vorlix::win32::unique_hkey key;
      if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyOf(n).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        continue;
      (void)::RegSetValueExW(key.get(), kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                             sizeof data);  // counted afterwards by entriesLeft
    }
  }
  void deleteValues() const {
    for (const std::wstring& key : keys)
      (void)::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), kValue);  // may be missing
  }
  int entriesLeft() const {
    int left = 0;
    for (int n = 1; n <= kRules; ++n)
      left += ::RegGetValueW(HKEY_CURRENT_USER, keyOf(n).c_str(), kValue, RRF_RT_ANY, nullptr,
                             nullptr, nullptr) == ERROR_SUCCESS;
    return left;
  }
  ~Scratch() { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, root.c_str()); }  // best effort
};

template <class Interface>
struct ComOwner {
  Interface* p = nullptr;
  ComOwner() = default;
  ComOwner(const ComOwner&) = delete;
  ComOwner& operator=(const ComOwner&) = delete;
  ~ComOwner() {
    if (p) p->Release();
  }
};

// What the scripting approach does for one path: create, call by name,
// release. Returns whether the object could be created.
bool scriptDelete(const std::wstring& path, HRESULT& callResult) {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(L"WScript.Shell", &clsid))) return false;
  ComOwner<IDispatch> shell;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&shell.p))))
    return false;
  wchar_t method[] = L"RegDelete";
  LPOLESTR names[] = {method};
  DISPID id = 0;
  callResult = shell.p->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(callResult)) return true;
  BSTR text = ::SysAllocString(path.c_str());
  VARIANT argument;
  ::VariantInit(&argument);
  argument.vt = VT_BYREF | VT_BSTR;  // passed as a reference to a string
  argument.pbstrVal = &text;
  DISPPARAMS params{&argument, nullptr, 1, 0};
  EXCEPINFO failure{};
  callResult = shell.p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               nullptr, &failure, nullptr);
  ::SysFreeString(failure.bstrSource);
  ::SysFreeString(failure.bstrDescription);
  ::SysFreeString(failure.bstrHelpFile);
  ::SysFreeString(text);
  return true;
}

struct Figures {
  std::vector<double> pass, linkChecked, floor, script, kept;
};

}  // namespace

int wmain() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::puts("CoInitializeEx failed");
    return 1;
  }
  const Scratch scratch;

  MemoryControls controls;
  RuleTable table(controls);
  for (int n = 1; n <= kRules; ++n) {
    RuleSlot slot = table.slot(n);
    slot.setEnableState(CheckState::Checked);
    slot.setHiveIndex(1);  // HKEY_CURRENT_USER
    slot.setKeyPath(scratch.keyOf(n));
    slot.setValueName(Scratch::kValue);
  }
  std::vector<std::wstring> paths;
  for (const RuleSlot slot : table) paths.push_back(slot.fullPath());
  vorlix::win32::RegistryApiDeleter deleter;
  vorlix::win32::RegistryApiDeleter linkChecking(vorlix::win32::RegistryApiDeleter::Links::Refused);
  RuleRecords records;
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring archiveFolder = temp + std::wstring(L"vorlix-bench-") + std::to_wstring(::GetCurrentProcessId());
  vorlix::win32::Win32ArchiveFile archiveFile(archiveFolder, vorlix::win32::ArchiveOwner::User);
  DeletedEntries deletedEntries(archiveFile, vorlix::win32::UserArchiveBound);
  vorlix::win32::RegistryApiDeleter keeping(vorlix::win32::RegistryApiDeleter::Links::Followed, &deletedEntries);

  // Sanity: the pass and the floor really delete, so the times are of work done.
  scratch.createAll();
  ScanPass::run(table, deleter, &records);
  const int leftByPass = scratch.entriesLeft();
  int kept = 0;
  for (int n = 1; n <= kRules; ++n) kept += records[n].lastOutcome.kind == DeletionOutcome::Kind::Deleted;
  scratch.createAll();
  scratch.deleteValues();
  const int leftByFloor = scratch.entriesLeft();
  scratch.createAll();
  ScanPass::run(table, linkChecking, &records);
  const int leftByLinkCheck = scratch.entriesLeft();
  scratch.createAll();
  HRESULT scriptResult = S_OK;
  bool scriptCreated = true;
  for (const std::wstring& p : paths) scriptCreated = scriptDelete(p, scriptResult) && scriptCreated;
  const int leftByScript = scratch.entriesLeft();
  std::printf("entries left of %d after one pass: %d; after the floor: %d; after the scripting "
              "object: %d\n",
              kRules, leftByPass, leftByFloor, leftByScript);
  std::printf("outcomes kept by the pass: %d of %d rules deleted\n", kept, kRules);
  std::printf("scripting object %s; RegDelete call result 0x%08lX\n",
              scriptCreated ? "created" : "could NOT be created",
              static_cast<unsigned long>(scriptResult));
  std::printf("entries left after a pass with links refused: %d\n", leftByLinkCheck);
  if (leftByPass != 0 || leftByFloor != 0 || leftByLinkCheck != 0) {
    std::puts("a deletion did not happen: figures would be meaningless");
    return 1;
  }

  const auto timeRound = [&](bool present, auto&& onePass) {
    double total = 0;
    for (int i = 0; i < kPassesPerRound; ++i) {
      if (present) scratch.createAll();
      const double start = nowMicroseconds();
      onePass();
      total += nowMicroseconds() - start;
    }
    return total / kPassesPerRound;
  };

  for (const bool present : {true, false}) {
    if (!present) scratch.deleteValues();
    Figures f;
    for (int round = 0; round < kRounds; ++round) {
      // Each method leads in turn: whichever runs first after the set-up or
      // after the scripting object pays a little more.
      for (int turn = 0; turn < 5; ++turn) {
        switch ((round + turn) % 5) {
          case 4:
            f.kept.push_back(timeRound(present, [&] { ScanPass::run(table, keeping, &records); }));
            break;
          case 0:
            f.pass.push_back(timeRound(present, [&] { ScanPass::run(table, deleter, &records); }));
            break;
          case 1:
            f.floor.push_back(timeRound(present, [&] { scratch.deleteValues(); }));
            break;
          case 3:
            f.linkChecked.push_back(
                timeRound(present, [&] { ScanPass::run(table, linkChecking, &records); }));
            break;
          case 2:
            if (scriptCreated)
              f.script.push_back(timeRound(present, [&] {
                HRESULT ignored;
                for (const std::wstring& p : paths) scriptDelete(p, ignored);
              }));
            break;
        }
      }
    }
    const double pass = median(f.pass), floor = median(f.floor);
    std::printf("\n%s, %d rules, median of %d rounds x %d passes:\n",
                present ? "entries present" : "entries missing (their keys exist)", kRules, kRounds,
                kPassesPerRound);
    std::printf("  scan pass (registry API)        %9.1f us per pass\n", pass);
    const double linkChecked = median(f.linkChecked);
    std::printf("  scan pass, links refused        %9.1f us per pass\n", linkChecked);
    std::printf("  floor (RegDeleteKeyValueW)      %9.1f us per pass\n", floor);
    std::printf("  links refused / floor %.2f  (the tray's target <= 1.20)\n", linkChecked / floor);
    const double kept = median(f.kept);
    std::printf("  scan pass, kept (same data)     %9.1f us per pass\n", kept);
    std::printf("  kept / floor   %.2f  (target <= 1.30)\n", kept / floor);
    if (scriptCreated) {
      const double script = median(f.script);
      std::printf("  scripting object, per deletion  %9.1f us per pass\n", script);
      std::printf("  pass / floor   %.2f  (target <= 1.20)\n", pass / floor);
      std::printf("  script / floor %.2f\n", script / floor);
    } else {
      std::printf("  pass / floor   %.2f  (target <= 1.20)\n", pass / floor);
    }
  }
  // A writer that changes its data every time: each deletion keeps a new
  // copy, on the disk before the deletion goes on.
  std::vector<double> changing, floor;
  DWORD data = 1000;
  for (int round = 0; round < kRounds; ++round) {
    double total = 0, bare = 0;
    for (int i = 0; i < kPassesPerRound; ++i) {
      scratch.createAll(++data);
      double start = nowMicroseconds();
      ScanPass::run(table, keeping, &records);
      total += nowMicroseconds() - start;
      scratch.createAll(data);
      start = nowMicroseconds();
      scratch.deleteValues();
      bare += nowMicroseconds() - start;
    }
    changing.push_back(total / kPassesPerRound);
    floor.push_back(bare / kPassesPerRound);
  }
  std::printf("\nnew data before every pass, %d rules, median of %d rounds x %d passes:\n", kRules, kRounds,
              kPassesPerRound);
  std::printf("  scan pass, kept (new copies)    %9.1f us per pass (%.1f us per kept copy)\n", median(changing),
              median(changing) / kRules);
  std::printf("  floor (RegDeleteKeyValueW)      %9.1f us per pass\n", median(floor));
  std::printf("  copies kept in all: %zu\n", deletedEntries.copies().size());
  // Best effort: the bench's own temporary folder.
  (void)::DeleteFileW(archiveFile.path().c_str());
  (void)::RemoveDirectoryW(archiveFolder.c_str());
  ::CoUninitialize();
  return 0;
}
