// How many handles a process holds, as the system's handle list says.
// GetProcessHandleCount answers 0 for every process under Wine 8, and the
// HandleCount of SystemProcessInformation is the size of Wine's handle table
// rather than the handles in it; SystemHandleInformation lists every handle
// with its owner, under Wine as on Windows. Beside it, the process's GDI
// objects and windows, which Wine's GetGuiResources does not count for
// another process.
#pragma once

#include <windows.h>

#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace vorlix::test {

// -1 when the list cannot be had.
inline long handleCountOf(DWORD processId) {
  struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT handle;
    PVOID object;
    ULONG access;
  };
  constexpr ULONG SystemHandleInformation = 16;
  constexpr NTSTATUS InfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
  using Query = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return -1;
  std::vector<BYTE> buffer(1 << 20);
  for (;;) {
    ULONG needed = 0;
    const NTSTATUS status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == InfoLengthMismatch && buffer.size() < (256u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (status != 0) return -1;
    break;
  }
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof(count));
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
  long owned = 0;
  // The list names owners by 16 bits only.
  for (ULONG i = 0; i < count; ++i) owned += entries[i].processId == static_cast<USHORT>(processId);
  return owned;
}

using NtQueryInformationProcessFn = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

template <class Fn>
Fn ntdll(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), name)));
}

// The live entries of the process's GDI handle table, which the PEB points
// to (at 0xF8 in a 64-bit PEB). Under Wine the table is the process's own
// and names no owners, so every live entry is the program's (its stock
// objects included).
inline long gdiObjectsOf(HANDLE process) {
  const auto query = ntdll<NtQueryInformationProcessFn>("NtQueryInformationProcess");
  PROCESS_BASIC_INFORMATION basic{};
  ULONG length = 0;
  if (query(process, 0, &basic, sizeof(basic), &length) != 0) return -1;
  ULONGLONG table = 0;
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<BYTE*>(basic.PebBaseAddress) + 0xF8, &table,
                           sizeof(table), &read) || table == 0)
    return -1;
  constexpr std::size_t EntrySize = 24, Entries = 0x10000, TypeAt = 14;
  std::vector<BYTE> entries(EntrySize * Entries);
  if (!::ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(), entries.size(), &read))
    return -1;
  long live = 0;
  for (std::size_t i = 0; i < Entries; ++i) live += entries[i * EntrySize + TypeAt] != 0;
  return live;
}

// Windows of the process, top-level, message-only and child windows alike.
inline long windowsOf(DWORD pid) {
  struct Count {
    DWORD pid;
    long windows = 0;
  } count{pid};
  const WNDENUMPROC children = [](HWND, LPARAM data) -> BOOL {
    ++reinterpret_cast<Count*>(data)->windows;
    return TRUE;
  };
  const auto countTree = [&](HWND window) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != pid) return;
    ++count.windows;
    ::EnumChildWindows(window, children, reinterpret_cast<LPARAM>(&count));
  };
  for (HWND w = ::GetTopWindow(nullptr); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) countTree(w);
  for (HWND w = ::FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = ::FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
    countTree(w);
  return count.windows;
}

}  // namespace vorlix::test
