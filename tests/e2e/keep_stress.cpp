// The Windows side of keep_killed.sh: the real deleter and archive in a
// loop that the script kills at random moments, and the check afterwards.
//
//   keep_stress run NAME     deletes what a kill left, then forever: writes
//                            "copy N" to the entry, counts N, deletes the
//                            entry (kept first) through the real deleter
//   keep_stress check NAME   0 when the archive holds every copy that is
//                            gone from the registry; prints "between" when
//                            the entry is there and kept (a kill between
//                            the keeping and the deletion), else "outside"
//
// NAME: the archive's folder below the temporary folder. The entry is
// HKEY_CURRENT_USER\Software\VorlixKeepKill\Entry, N its Counter value.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

#include "core/deleted_entries.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"

namespace {

using namespace vorlix;
using namespace vorlix::win32;

constexpr wchar_t Key[] = L"Software\\VorlixKeepKill";

std::wstring folderNamed(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  return temp + std::wstring(name);
}

DWORD counter(HKEY key) {
  DWORD n = 0, size = sizeof n;
  (void)::RegQueryValueExW(key, L"Counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&n), &size);  // none: 0
  return n;
}

// The entry's data, or empty when it is gone.
std::wstring entry(HKEY key) {
  wchar_t data[64] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  if (::RegQueryValueExW(key, L"Entry", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return {};
  return data;
}

int run(const wchar_t* name, HKEY key) {
  Win32ArchiveFile file(folderNamed(name), ArchiveOwner::User);
  DeletedEntries entries(file, UserArchiveBound);
  RegistryApiDeleter deleter(RegistryApiDeleter::Links::Followed, &entries);
  const std::wstring path = L"HKEY_CURRENT_USER\\" + std::wstring(Key) + L"\\Entry";
  deleter.ruleInProgress(1);
  for (DWORD n = counter(key) + 1;; ++n) {
    const DeletionOutcome left = deleter.RegDelete(path);  // what the last kill left, then the last copy
    if (left.kind != DeletionOutcome::Kind::Deleted && left.kind != DeletionOutcome::Kind::NotThere) return 1;
    const std::wstring data = L"copy " + std::to_wstring(n);
    if (::RegSetValueExW(key, L"Entry", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS ||
        ::RegSetValueExW(key, L"Counter", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), sizeof n) != ERROR_SUCCESS)
      return 1;
  }
}

int check(const wchar_t* name, HKEY key) {
  std::vector<std::uint8_t> bytes;
  const DWORD read = readWholeFile(folderNamed(name) + L"\\" + ArchiveFileName, bytes);
  if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND && read != ERROR_PATH_NOT_FOUND) return 1;
  std::set<std::wstring> kept;
  for (const KeptCopy& c : readKeptCopies(bytes))
    kept.insert(reinterpret_cast<const wchar_t*>(c.values.at(0).data.data()));
  // Written in order: the entry, then its number; every earlier one is gone.
  const std::wstring present = entry(key);
  const DWORD gone = present.empty() ? counter(key) : static_cast<DWORD>(std::stoul(present.substr(5))) - 1;
  int missing = 0;
  for (DWORD n = 1; n <= gone; ++n)
    if (!kept.contains(L"copy " + std::to_wstring(n))) {
      ++missing;
      std::printf("lost: copy %lu\n", static_cast<unsigned long>(n));
    }
  std::printf("%s, %lu deleted\n", !present.empty() && kept.contains(present) ? "between" : "outside",
              static_cast<unsigned long>(gone));
  return missing == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  unique_hkey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return 1;
  const std::wstring command = argv[1];
  if (command == L"run") return run(argv[2], key.get());
  if (command == L"check") return check(argv[2], key.get());
  return 2;
}
