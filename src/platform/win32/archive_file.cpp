#include "platform/win32/archive_file.h"

#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/check.h"
#include "platform/win32/sid_text.h"

namespace vorlix::win32 {
namespace {

constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring environment(const wchar_t* name) {
  wchar_t value[MAX_PATH];
  const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(value, length);
}

// CreateFileW's handle, or none with the error as the last error.
unique_handle createFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  const HANDLE file =
      ::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return unique_handle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

DWORD writeAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    bytes = bytes.subspan(written);
  }
  return ERROR_SUCCESS;
}

}  // namespace

std::wstring archiveFolder(ArchiveOwner owner) {
  const std::wstring base = environment(owner == ArchiveOwner::User ? L"LOCALAPPDATA" : L"ProgramData");
  return base.empty() ? base : base + L"\\Vorlix";
}

Win32ArchiveFile::Win32ArchiveFile(std::wstring folder, ArchiveOwner owner)
    : folder_(std::move(folder)), path_(folder_ + L"\\" + ArchiveFileName), owner_(owner) {}

DWORD Win32ArchiveFile::secureFolder() {
  if (secured_) return ERROR_SUCCESS;
  if (folder_.empty()) return ERROR_ENVVAR_NOT_FOUND;  // no folder to put it in
  try {
    const std::wstring user = processUser().sidText;
    unique_hlocal descriptor;
    checkBool(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                  archiveFolderDescriptor(user, owner_ == ArchiveOwner::Machine).c_str(), SDDL_REVISION_1,
                  reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr),
              "ConvertStringSecurityDescriptorToSecurityDescriptorW");
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    if (!::CreateDirectoryW(folder_.c_str(), &attributes)) {
      if (::GetLastError() != ERROR_ALREADY_EXISTS) return ::GetLastError();
      // Found: someone else could have made it, to read what is kept.
      PSID owner = nullptr;
      unique_hlocal found;
      if (const DWORD failed = ::GetNamedSecurityInfoW(folder_.c_str(), SE_FILE_OBJECT,
                                                       OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                                       nullptr, nullptr, found.put()))
        return failed;
      if (!isTrustedArchiveOwner(sidText(owner), user, owner_ == ArchiveOwner::Machine))
        return ERROR_ACCESS_DENIED;
      BOOL present = FALSE, defaulted = FALSE;
      PACL dacl = nullptr;
      checkBool(::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted),
                "GetSecurityDescriptorDacl");
      // Also passed on to what the folder holds already.
      if (const DWORD failed = ::SetNamedSecurityInfoW(
              folder_.data(), SE_FILE_OBJECT,
              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
              nullptr))
        return failed;
    }
    secured_ = true;
    return ERROR_SUCCESS;
  } catch (const Win32Error& failure) {
    return failure.code();
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

std::uint32_t Win32ArchiveFile::read(std::vector<std::uint8_t>& bytes) {
  const DWORD failed = readWholeFile(path_, bytes);
  return isNotFound(static_cast<LSTATUS>(failed)) ? ERROR_SUCCESS : failed;
}

std::uint32_t Win32ArchiveFile::append(std::span<const std::uint8_t> bytes, bool durable) {
  if (!appending_) {
    if (const DWORD failed = secureFolder()) return failed;
    // Readable meanwhile (the service's export), and replaceable once closed.
    appending_ = createFile(path_, FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            OPEN_ALWAYS);
    if (!appending_) return ::GetLastError();
  }
  if (const DWORD failed = writeAll(appending_.get(), bytes)) return failed;
  if (durable && !::FlushFileBuffers(appending_.get())) return ::GetLastError();
  return ERROR_SUCCESS;
}

std::uint32_t Win32ArchiveFile::replace(std::span<const std::uint8_t> bytes) {
  if (const DWORD failed = secureFolder()) return failed;
  const std::wstring next = path_ + L".new";
  if (const DWORD failed = writeWholeFile(next, bytes)) return failed;
  appending_.reset();  // the file is replaced by name; the next append opens the new one
  if (!::MoveFileExW(next.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD failed = ::GetLastError();
    (void)::DeleteFileW(next.c_str());  // the old file stands; the new one is not needed
    return failed;
  }
  return ERROR_SUCCESS;
}

DWORD readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  const unique_handle file = createFile(path, GENERIC_READ, ShareAll, OPEN_EXISTING);
  if (!file) return ::GetLastError();
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return ::GetLastError();
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return ::GetLastError();
    if (read == 0) break;  // shorter than it was: a rewrite in between
    done += read;
  }
  bytes.resize(done);
  return ERROR_SUCCESS;
}

DWORD writeWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
  const unique_handle file = createFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!file) return ::GetLastError();
  if (const DWORD failed = writeAll(file.get(), bytes)) return failed;
  return ::FlushFileBuffers(file.get()) ? ERROR_SUCCESS : ::GetLastError();
}

}  // namespace vorlix::win32
