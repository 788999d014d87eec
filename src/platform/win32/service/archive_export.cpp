#include "platform/win32/service/archive_export.h"

#include <windows.h>

#include <set>
#include <vector>

#include "core/deleted_entries.h"
#include "core/reg_file.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/check.h"

namespace vorlix::win32 {
namespace {


// To a console as it is, to a file or pipe as UTF-8.
void say(DWORD stream, const std::wstring& line) {
  const std::wstring text = line + L"\r\n";
  const HANDLE out = ::GetStdHandle(stream);
  DWORD mode = 0, written = 0;
  // Nothing to be done about output that cannot be written: the status tells.
  if (::GetConsoleMode(out, &mode)) {
    (void)::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  (void)::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                              nullptr, nullptr);
  (void)::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int failed(const std::wstring& what, DWORD code) {
  say(STD_ERROR_HANDLE, what + L": " + systemMessage(code));
  if (code == ERROR_ACCESS_DENIED)
    say(STD_ERROR_HANDLE, L"Only SYSTEM and Administrators may read it: run this from an elevated prompt.");
  return static_cast<int>(code);
}

}  // namespace

int exportArchive(const std::wstring& file) {
  const std::wstring folder = archiveFolder(ArchiveOwner::Machine);
  const std::wstring path = folder + L"\\" + ArchiveFileName;
  std::vector<std::uint8_t> bytes;
  const DWORD read = readWholeFile(path, bytes);
  if (read != ERROR_SUCCESS && !isNotFound(static_cast<LSTATUS>(read)))
    return failed(L"Could not read " + path, read);
  const std::vector<KeptCopy> copies = readKeptCopies(bytes);
  if (const DWORD written = writeWholeFile(file, regFileBytes(copies)))
    return failed(L"Could not write " + file, written);
  std::set<std::wstring> entries;
  for (const KeptCopy& c : copies)
    entries.insert(std::to_wstring(static_cast<int>(c.entry.root)) + (c.entry.isKey ? L"K" : L"V") +
                   c.entry.key + L"\\" + c.entry.value);
  say(STD_OUTPUT_HANDLE, L"Saved " + std::to_wstring(copies.size()) + L" kept copies of " +
                             std::to_wstring(entries.size()) + L" deleted entries from " + path +
                             L" to " + file + L".");
  return 0;
}

}  // namespace vorlix::win32
