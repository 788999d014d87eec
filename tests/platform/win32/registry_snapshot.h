// What a registry test compares before and after: every key and value below
// a key, read through the registry API.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/win32/check.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

// "sub\key\" for a key, "sub\key|name" for a value, which maps to its type
// and data.
using Snapshot = std::map<std::wstring, std::wstring>;

inline std::wstring describeValue(DWORD type, const BYTE* data, DWORD bytes) {
  std::wstring text = std::to_wstring(type) + L":";
  for (DWORD b = 0; b < bytes; ++b) text += std::to_wstring(data[b]) + L",";
  return text;
}

// Adds every value and, recursively, every subkey of `parent`, named below
// `relative`.
inline void collect(HKEY parent, const std::wstring& relative, Snapshot& out) {
  DWORD subkeys = 0, maxKey = 0, values = 0, maxName = 0, maxData = 0;
  checkStatus(::RegQueryInfoKeyW(parent, nullptr, nullptr, nullptr, &subkeys, &maxKey, nullptr,
                                 &values, &maxName, &maxData, nullptr, nullptr),
              "RegQueryInfoKeyW");
  for (DWORD i = 0; i < values; ++i) {
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + 1);
    DWORD nameLength = maxName + 1, dataLength = maxData + 1, type = 0;
    checkStatus(::RegEnumValueW(parent, i, name.data(), &nameLength, nullptr, &type, data.data(),
                                &dataLength),
                "RegEnumValueW");
    name.resize(nameLength);
    out[relative + L"|" + name] = describeValue(type, data.data(), dataLength);
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    std::wstring name(maxKey + 1, L'\0');
    DWORD length = maxKey + 1;
    checkStatus(::RegEnumKeyExW(parent, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr),
                "RegEnumKeyExW");
    name.resize(length);
    const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
    out[child + L"\\"] = L"key";
    unique_hkey key;
    checkStatus(::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()), "RegOpenKeyExW");
    collect(key.get(), child, out);
  }
}

}  // namespace vorlix::win32
