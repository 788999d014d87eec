// Registry links: a key created with REG_OPTION_CREATE_LINK whose
// SymbolicLinkValue (REG_LINK) sends every path through it elsewhere. A rule
// whose path goes through one would delete wherever the link's writer chose,
// which is why the service, acting for administrators, never follows one.
// Whoever may create subkeys on a rule's path can add and remove a link
// between any two calls, so a path is not checked and then opened again by
// name: it is opened once, part by part, and the caller acts through the
// handle that was checked.
#pragma once

#include <windows.h>

#include <winternl.h>

#include <string_view>

#include "platform/win32/unique_handle.h"

extern "C" {
// ntdll's, documented with the kernel's ZwDeleteKey and ZwQueryKey; the
// user-mode headers leave them out.
NTSYSAPI NTSTATUS NTAPI NtDeleteKey(HANDLE key);
NTSYSAPI NTSTATUS NTAPI NtQueryKey(HANDLE key, ULONG informationClass, PVOID information, ULONG length,
                                   PULONG resultLength);
}

namespace vorlix::win32 {

struct LinkFreeWalk {
  LSTATUS status = ERROR_SUCCESS;  // the first call on the way that failed
  bool throughLink = false;        // a key on the way, the last included, is a link
  bool reached() const { return status == ERROR_SUCCESS && !throughLink; }
};

// Opens the key at `path` below `root` (parts joined by single backslashes,
// none empty, at least one) with `access`, into `opened` when the walk
// reaches it. Each part is opened below the handle of the one before with
// REG_OPTION_OPEN_LINK and asked for a SymbolicLinkValue: the walk ends at the
// first link. A link gets its target in a second call after its creation; one
// met before then, on the way, can send the next part to its target once it
// has one: the registry's own name of the last key, which must be the first
// key's followed by the rest of the path, catches that. Met last, it is the
// key itself, and what is done through its handle reaches nothing beyond it.
LinkFreeWalk tryOpenWithoutLinks(HKEY root, std::wstring_view path, REGSAM access, unique_hkey& opened);

// Deletes the key of `key` itself, opened with DELETE; like RegDeleteKeyExW,
// which is built on the same call, it refuses a key that has subkeys.
LSTATUS tryDeleteOpenKey(HKEY key);

}  // namespace vorlix::win32
