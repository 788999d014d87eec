#include "platform/win32/registry_settings_store.h"

#include <cstring>
#include <limits>
#include <vector>

#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {
namespace {

SettingsStoreError systemFailure(const Win32Error& error) {
  return SettingsStoreError(SettingsStoreError::Kind::SystemFailure, error.describe());
}

// An expandable string still holds text; it is taken literally, because the
// program uses every text exactly as stored and expands nothing anywhere. The
// next save writes the same characters back as REG_SZ.
bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

SettingsStoreError notText(DWORD type) {
  return SettingsStoreError(SettingsStoreError::Kind::UnreadableValue,
                            L"a value of type " + registryTypeName(type));
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(std::wstring base) : base_(std::move(base)) {}

RegistrySettingsStore::RegistrySettingsStore(Hive root, std::wstring base)
    : root_(rootKey(root)),
      rootName_(Hives[static_cast<std::size_t>(root)].name),
      base_(std::move(base)),
      applicationKey_(false) {}

std::wstring RegistrySettingsStore::keyPath(std::wstring_view application,
                                            std::wstring_view section) const {
  std::wstring path = base_;
  if (applicationKey_) path.append(1, L'\\').append(application);
  path.append(1, L'\\').append(section);
  return path;
}

std::wstring RegistrySettingsStore::location(std::wstring_view application,
                                             std::wstring_view section) const {
  return rootName_ + L"\\" + keyPath(application, section);
}

std::wstring RegistrySettingsStore::readSetting(std::wstring_view application,
                                                std::wstring_view section, std::wstring_view key,
                                                std::wstring_view defaultValue) {
  const std::wstring path = keyPath(application, section);
  const std::wstring name(key);
  try {
    unique_hkey hkey;
    const LSTATUS opened =
        ::RegOpenKeyExW(root_, path.c_str(), 0, KEY_QUERY_VALUE, hkey.put());
    // An absent application or section: every entry in it reads as its default.
    if (isNotFound(opened)) return std::wstring(defaultValue);
    checkStatus(opened, "RegOpenKeyExW");

    DWORD type = REG_NONE;
    DWORD size = 0;
    const LSTATUS sized = ::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (isNotFound(sized)) return std::wstring(defaultValue);
    checkStatus(sized, "RegQueryValueExW");
    // Checked before fetching, so a huge binary value is never read.
    if (!isText(type)) throw notText(type);

    // The value may change between the calls; ask again until it fits. Never
    // a null buffer, which would only report the size.
    std::vector<BYTE> data(size < sizeof(wchar_t) ? sizeof(wchar_t) : size);
    for (;;) {
      DWORD got = static_cast<DWORD>(data.size());
      const LSTATUS read =
          ::RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, data.data(), &got);
      if (read == ERROR_MORE_DATA) {
        data.resize(got);
        continue;
      }
      if (isNotFound(read)) return std::wstring(defaultValue);
      checkStatus(read, "RegQueryValueExW");
      if (!isText(type)) throw notText(type);
      return textFromRegistryData(data.data(), got);
    }
  } catch (const Win32Error& error) {
    throw systemFailure(error);
  }
}

void RegistrySettingsStore::writeSetting(std::wstring_view application, std::wstring_view section,
                                         std::wstring_view key, std::wstring_view value) {
  const std::wstring path = keyPath(application, section);
  const std::wstring name(key);
  const std::wstring text(value);  // adds the terminating NUL the registry expects
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (bytes > std::numeric_limits<DWORD>::max())
    throw SettingsStoreError(SettingsStoreError::Kind::SystemFailure,
                             L"the text is too long for the registry");
  try {
    unique_hkey hkey;
    checkStatus(::RegCreateKeyExW(root_, path.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, hkey.put(),
                                  nullptr),
                "RegCreateKeyExW");
    checkStatus(::RegSetValueExW(hkey.get(), name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(bytes)),
                "RegSetValueExW");
  } catch (const Win32Error& error) {
    throw systemFailure(error);
  }
}

std::wstring textFromRegistryData(const BYTE* data, std::size_t byteCount) {
  std::wstring text(byteCount / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
  // Stored data need not end in a NUL; what follows one is not part of the text.
  const std::size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

std::wstring registryTypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return L"REG_NONE";
    case REG_SZ: return L"REG_SZ";
    case REG_EXPAND_SZ: return L"REG_EXPAND_SZ";
    case REG_BINARY: return L"REG_BINARY";
    case REG_DWORD: return L"REG_DWORD";
    case REG_DWORD_BIG_ENDIAN: return L"REG_DWORD_BIG_ENDIAN";
    case REG_LINK: return L"REG_LINK";
    case REG_MULTI_SZ: return L"REG_MULTI_SZ";
    case REG_RESOURCE_LIST: return L"REG_RESOURCE_LIST";
    case REG_FULL_RESOURCE_DESCRIPTOR: return L"REG_FULL_RESOURCE_DESCRIPTOR";
    case REG_RESOURCE_REQUIREMENTS_LIST: return L"REG_RESOURCE_REQUIREMENTS_LIST";
    case REG_QWORD: return L"REG_QWORD";
    default: return L"type " + std::to_wstring(type);
  }
}

}  // namespace vorlix::win32
