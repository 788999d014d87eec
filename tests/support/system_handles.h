// How many handles a process holds, as the system's handle list says.
// GetProcessHandleCount answers 0 for every process under Wine 8, and the
// HandleCount of SystemProcessInformation is the size of Wine's handle table
// rather than the handles in it; SystemHandleInformation lists every handle
// with its owner, under Wine as on Windows.
#pragma once

#include <windows.h>

#include <winternl.h>

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

}  // namespace vorlix::test
