#include "platform/win32/registry_links.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"

namespace vorlix::win32 {
namespace {

constexpr ULONG KeyNameInformation = 3;  // KEY_INFORMATION_CLASS

LSTATUS errorOf(NTSTATUS status) { return static_cast<LSTATUS>(::RtlNtStatusToDosError(status)); }

// One part below `parent`: the key of that name itself, never what it links
// to. Any SymbolicLinkValue, whatever its type, is taken for a link.
LSTATUS tryOpenPart(HKEY parent, const std::wstring& part, REGSAM access, unique_hkey& opened, bool& link) {
  const LSTATUS status = ::RegOpenKeyExW(parent, part.c_str(), REG_OPTION_OPEN_LINK,
                                         access | KEY_QUERY_VALUE | RegistryView, opened.put());
  if (status != ERROR_SUCCESS) return status;
  const LSTATUS linkValue =
      ::RegQueryValueExW(opened.get(), L"SymbolicLinkValue", nullptr, nullptr, nullptr, nullptr);
  link = linkValue == ERROR_SUCCESS;
  return link || isNotFound(linkValue) ? ERROR_SUCCESS : linkValue;
}

// The key's full name as the registry keeps it (\REGISTRY\...): where the key
// is, however it was reached.
LSTATUS tryNameOf(HKEY key, std::wstring& name) {
  std::vector<ULONG> buffer(128);  // KEY_NAME_INFORMATION: a length in bytes, then the name
  for (;;) {
    const ULONG size = static_cast<ULONG>(buffer.size() * sizeof(ULONG));
    ULONG needed = 0;
    const NTSTATUS status = ::NtQueryKey(key, KeyNameInformation, buffer.data(), size, &needed);
    if (NT_SUCCESS(status)) {
      name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + 1), buffer[0] / sizeof(wchar_t));
      return ERROR_SUCCESS;
    }
    if (needed <= size) return errorOf(status);
    buffer.resize(needed / sizeof(ULONG) + 1);
  }
}

// Whether `last` is the key at `rest` below `first`, by the registry's names,
// matched ignoring case as the registry matches them.
LSTATUS tryIsBelow(HKEY first, std::wstring_view rest, HKEY last, bool& below) {
  std::wstring expected, actual;
  if (const LSTATUS s = tryNameOf(first, expected); s != ERROR_SUCCESS) return s;
  if (const LSTATUS s = tryNameOf(last, actual); s != ERROR_SUCCESS) return s;
  expected.append(L"\\").append(rest);
  below = ::CompareStringOrdinal(expected.data(), static_cast<int>(expected.size()), actual.data(),
                                 static_cast<int>(actual.size()), TRUE) == CSTR_EQUAL;
  return ERROR_SUCCESS;
}

}  // namespace

LinkFreeWalk tryOpenWithoutLinks(HKEY root, std::wstring_view path, REGSAM access, unique_hkey& opened) {
  LinkFreeWalk walk;
  const std::size_t firstEnd = std::min(path.find(L'\\'), path.size());
  unique_hkey first, last;
  for (std::size_t start = 0; start < path.size();) {
    const std::size_t end = std::min(path.find(L'\\', start), path.size());
    const HKEY parent = start == 0 ? root : last ? last.get() : first.get();
    unique_hkey next;
    walk.status = tryOpenPart(parent, std::wstring(path.substr(start, end - start)),
                           end == path.size() ? access : 0, next, walk.throughLink);
    if (!walk.reached()) return walk;
    (start == 0 ? first : last) = std::move(next);
    start = end + 1;
  }
  if (last) {
    bool below = false;
    walk.status = tryIsBelow(first.get(), path.substr(firstEnd + 1), last.get(), below);
    walk.throughLink = walk.status == ERROR_SUCCESS && !below;
    if (!walk.reached()) return walk;
  }
  opened = std::move(last ? last : first);
  return walk;
}

LSTATUS tryDeleteOpenKey(HKEY key) { return errorOf(::NtDeleteKey(key)); }

}  // namespace vorlix::win32
