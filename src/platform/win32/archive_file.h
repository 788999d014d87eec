// The deletion archive's file on Windows, in a folder that only its owner
// can read: the tray's under %LOCALAPPDATA%\Vorlix for the user alone, the
// service's under %ProgramData%\Vorlix for SYSTEM and Administrators alone
// (machine values may be secrets). Neither folder is made before the first
// copy is kept; a folder found there already is taken only from an owner
// who could have made it (the user, SYSTEM, Administrators), and is given
// the protected access list before anything is written in it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/deleted_entries.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// The bounds of the two archives, in bytes.
inline constexpr std::uint64_t UserArchiveBound = 16ull << 20;
inline constexpr std::uint64_t MachineArchiveBound = 64ull << 20;
inline constexpr wchar_t ArchiveFileName[] = L"deleted-entries.vdk";

enum class ArchiveOwner {
  User,     // the user running the program, alone
  Machine,  // SYSTEM and Administrators
};

// Where the archive lives: %LOCALAPPDATA%\Vorlix or %ProgramData%\Vorlix.
// Empty when the variable is not set.
std::wstring archiveFolder(ArchiveOwner owner);

class Win32ArchiveFile final : public ArchiveFile {
 public:
  Win32ArchiveFile(std::wstring folder, ArchiveOwner owner);

  std::uint32_t read(std::vector<std::uint8_t>& bytes) override;
  std::uint32_t append(std::span<const std::uint8_t> bytes, bool durable) override;
  std::uint32_t replace(std::span<const std::uint8_t> bytes) override;

  const std::wstring& path() const { return path_; }

 private:
  // The folder made (or found and trusted) and protected, once per run.
  DWORD secureFolder();

  std::wstring folder_;
  std::wstring path_;
  ArchiveOwner owner_;
  bool secured_ = false;
  unique_handle appending_;  // opened at the first append, for the run
};

// Reads a whole file, for the service's export: the service may be
// appending to it meanwhile. 0 or the system's error.
DWORD readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes);
// Writes a whole new file (a .reg export), on the disk before it returns.
DWORD writeWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes);

}  // namespace vorlix::win32
