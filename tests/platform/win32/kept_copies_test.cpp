// What the deleter keeps, under Wine: every value type and hostile names,
// deleted by the real deleter, exported as .reg, imported by reg.exe (and
// written back by Restore) and compared byte for byte with the original.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>

#include "core/deleted_entries.h"
#include "core/reg_file.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/kept_copy_restore.h"
#include "platform/win32/registry_deleter.h"
#include "registry_snapshot.h"

namespace vorlix::win32 {
namespace {

const std::wstring Base = L"Software\\VorlixKeep-" + std::to_wstring(::GetCurrentProcessId());
const std::wstring Hostile = L"K]e\"y=[\U0001F600 ";  // a key name: no backslash, no line break

std::vector<BYTE> bytesOf(std::wstring_view units) {
  return {reinterpret_cast<const BYTE*>(units.data()), reinterpret_cast<const BYTE*>(units.data() + units.size())};
}

// Text without its NUL, which the file holds exactly (as hex(1)) but which
// Wine's reg.exe cannot give back: an import adds a NUL to the unterminated
// one and crashes on the odd size. Restore alone writes them back.
const std::vector<KeptValue> RestoredOnly{{L"sz unterminated", REG_SZ, bytesOf(L"abc")},
                                          {L"sz odd", REG_SZ, {0x41}}};

// Every type, each odd form of text data, and hostile names.
std::vector<KeptValue> plantings() {
  std::vector<BYTE> large(100000);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<BYTE>(i * 31 + 7);
  return {
      {L"", REG_SZ, bytesOf({L"default\0", 8})},
      {L"sz q\"uote a=b [x]\U0001F600", REG_SZ, bytesOf({L"\"\\ text \U0001F600\0", 11})},
      {L"sz inner nul", REG_SZ, bytesOf({L"a\0b\0", 4})},
      {L"sz lines", REG_SZ, bytesOf({L"one\r\ntwo\0", 9})},
      {L"expand", REG_EXPAND_SZ, bytesOf({L"%SystemRoot%\\x\0", 15})},
      {L"multi", REG_MULTI_SZ, bytesOf({L"a\0\0b\0\0\0", 7})},
      {L"dword", REG_DWORD, {0xEF, 0xBE, 0xAD, 0xDE}},
      {L"dword short", REG_DWORD, {1, 2}},
      {L"qword", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 0x80}},
      {L"binary empty", REG_BINARY, {}},
      {L"binary large", REG_BINARY, large},
      {L"none", REG_NONE, {0, 1}},
      {L"unknown type", 0x12345, {9, 8, 7}},
  };
}

void plant(const std::wstring& key, const std::vector<KeptValue>& values) {
  unique_hkey k;
  checkStatus(::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                k.put(), nullptr),
              "RegCreateKeyExW");
  for (const KeptValue& v : values) {
    // Text that lacks its NUL gets one from the registry when a NUL follows
    // in memory: none follows here, so the data is stored as given.
    std::vector<BYTE> padded = v.data;
    padded.insert(padded.end(), {0xFF, 0xFF});
    checkStatus(::RegSetValueExW(k.get(), v.name.c_str(), 0, v.type, padded.data(), static_cast<DWORD>(v.data.size())),
                "RegSetValueExW");
  }
}

Snapshot snapshot() {
  Snapshot s;
  unique_hkey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Base.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
    collect(key.get(), L"", s);
  return s;
}

// The names whose entries differ, so that a failure names them alone.
std::vector<std::wstring> differences(const Snapshot& a, const Snapshot& b) {
  std::vector<std::wstring> names;
  for (const auto& [name, value] : a)
    if (auto other = b.find(name); other == b.end() || other->second != value) names.push_back(name);
  for (const auto& [name, value] : b)
    if (!a.count(name)) names.push_back(name);
  return names;
}

DWORD run(std::wstring command) {
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  checkBool(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process),
            "CreateProcessW");
  const unique_handle p(process.hProcess), t(process.hThread);
  ::WaitForSingleObject(p.get(), 60000);
  DWORD status = 1;
  ::GetExitCodeProcess(p.get(), &status);
  return status;
}

std::wstring freshFolder() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  return temp + std::wstring(L"vorlix-keep-") + std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount64());
}

struct KeptCopies : ::testing::Test {
  void TearDown() override { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, Base.c_str()); }  // best effort
  std::wstring folder = freshFolder();
  Win32ArchiveFile file{folder, ArchiveOwner::User};
  DeletedEntries entries{file, UserArchiveBound};
  RegistryApiDeleter deleter{RegistryApiDeleter::Links::Followed, &entries};

  // Each value deleted by its own rule, and the hostile key with them all.
  void plantAndDelete() {
    std::vector<KeptValue> values = plantings();
    values.insert(values.end(), RestoredOnly.begin(), RestoredOnly.end());
    plant(Base + L"\\Values", values);
    // A value name with a backslash, which no rule can name: with its key.
    std::vector<KeptValue> inKey = plantings();
    inKey.push_back({L"back\\slash\\", REG_DWORD, {2, 0, 0, 0}});
    plant(Base + L"\\" + Hostile, inKey);
    plant(Base + L"\\Values\\" + L"line\nbreak", {{L"v", REG_DWORD, {1, 0, 0, 0}}});
    before = snapshot();
    for (const KeptValue& v : values) {
      if (v.name.empty()) continue;  // the default value: only with its key
      EXPECT_EQ(deleter.RegDelete(L"HKCU\\" + Base + L"\\Values\\" + v.name).kind, DeletionOutcome::Kind::Deleted) << v.name;
    }
    EXPECT_EQ(deleter.RegDelete(L"HKCU\\" + Base + L"\\Values\\line\nbreak\\").kind, DeletionOutcome::Kind::Deleted);
    EXPECT_EQ(deleter.RegDelete(L"HKCU\\" + Base + L"\\" + Hostile + L"\\").kind, DeletionOutcome::Kind::Deleted);
    EXPECT_EQ(snapshot(), (Snapshot{{L"Values\\", L"key"}, {L"Values|", before[L"Values|"]}}));
  }
  Snapshot before;
};

TEST_F(KeptCopies, ExportedAndImportedByRegAllComesBackByteForByte) {
  plantAndDelete();
  const std::wstring reg = folder + L"\\export.reg";
  std::vector<KeptCopy> copies = entries.copies();
  std::erase_if(copies, [](const KeptCopy& c) { return std::ranges::count(RestoredOnly, c.values[0]) != 0; });
  ASSERT_EQ(writeWholeFile(reg, regFileBytes(copies)), 0u);
  ASSERT_EQ(run(L"reg.exe import \"" + reg + L"\""), 0u);
  // All but the key that the format cannot name.
  Snapshot expected = before;
  expected.erase(L"Values\\line\nbreak\\");
  expected.erase(L"Values\\line\nbreak|v");
  for (const KeptValue& v : RestoredOnly) expected.erase(L"Values|" + v.name);
  EXPECT_EQ(differences(snapshot(), expected), std::vector<std::wstring>{});
}

TEST_F(KeptCopies, RestoredAllComesBackByteForByteFromWhatTheNextRunReads) {
  plantAndDelete();
  // The next run reads what this one kept.
  Win32ArchiveFile again(folder, ArchiveOwner::User);
  DeletedEntries read(again, UserArchiveBound);
  ASSERT_EQ(read.load(), 0u);
  ASSERT_EQ(read.copies(), entries.copies());
  for (const KeptCopy& c : read.copies()) EXPECT_EQ(restoreKeptCopy(c), ERROR_SUCCESS);
  EXPECT_EQ(differences(snapshot(), before), std::vector<std::wstring>{});
}

TEST_F(KeptCopies, NothingIsDeletedThatCannotBeKept) {
  // A file where the folder should be: no copy can be written.
  ASSERT_EQ(writeWholeFile(folder, {}), 0u);
  plant(Base + L"\\Values", {{L"v", REG_DWORD, {1, 0, 0, 0}}});
  plant(Base + L"\\Leaf", {{L"v", REG_DWORD, {1, 0, 0, 0}}});
  for (const wchar_t* rule : {L"\\Values\\v", L"\\Leaf\\"})
    EXPECT_EQ(deleter.RegDelete(L"HKCU\\" + Base + rule).kind, DeletionOutcome::Kind::NotKept);
  EXPECT_EQ(snapshot().count(L"Values|v") + snapshot().count(L"Leaf|v"), 2u);
  (void)::DeleteFileW(folder.c_str());  // best effort
}

}  // namespace
}  // namespace vorlix::win32
