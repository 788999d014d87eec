// What a registry test compares before and after: every key and value below
// a key, read through the registry API.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
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

// Adds the values of `key` itself, named below `relative`.
inline void collectValues(HKEY key, const std::wstring& relative, Snapshot& out) {
  DWORD values = 0, maxName = 0, maxData = 0;
  checkStatus(::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                 &maxName, &maxData, nullptr, nullptr),
              "RegQueryInfoKeyW");
  for (DWORD i = 0; i < values; ++i) {
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + 1);
    DWORD nameLength = maxName + 1, dataLength = maxData + 1, type = 0;
    checkStatus(::RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, data.data(),
                                &dataLength),
                "RegEnumValueW");
    name.resize(nameLength);
    out[relative + L"|" + name] = describeValue(type, data.data(), dataLength);
  }
}

inline std::vector<std::wstring> subkeyNames(HKEY key) {
  DWORD subkeys = 0, maxKey = 0;
  checkStatus(::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxKey, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr),
              "RegQueryInfoKeyW");
  std::vector<std::wstring> names;
  for (DWORD i = 0; i < subkeys; ++i) {
    std::wstring name(maxKey + 1, L'\0');
    DWORD length = maxKey + 1;
    checkStatus(::RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr),
                "RegEnumKeyExW");
    name.resize(length);
    names.push_back(std::move(name));
  }
  return names;
}

// Adds every value and, recursively, every subkey of `parent`, named below
// `relative`.
inline void collect(HKEY parent, const std::wstring& relative, Snapshot& out) {
  collectValues(parent, relative, out);
  for (const std::wstring& name : subkeyNames(parent)) {
    const std::wstring child = relative.empty() ? name : relative + L"\\" + name;
    out[child + L"\\"] = L"key";
    unique_hkey key;
    checkStatus(::RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()), "RegOpenKeyExW");
    collect(key.get(), child, out);
  }
}

}  // namespace vorlix::win32
