// The settings store in the current user's registry, where the run-time's
// per-user application settings keep them: each entry is a REG_SZ value named
// by its key in HKEY_CURRENT_USER\<base>\<application>\<section>. A
// configuration stored by that convention loads unchanged.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "core/hives.h"
#include "settings/settings_store.h"

namespace vorlix::win32 {

class RegistrySettingsStore final : public SettingsStore {
 public:
  static constexpr std::wstring_view DefaultBase = L"Software\\VB and VBA Program Settings";

  // `base` is a key path below HKEY_CURRENT_USER; tests pass a scratch key.
  explicit RegistrySettingsStore(std::wstring base = std::wstring(DefaultBase));
  // A store elsewhere: the sections directly below `base` in `root`, with no
  // key for the application (the machine store of the service).
  RegistrySettingsStore(Hive root, std::wstring base);

  // REG_SZ and REG_EXPAND_SZ read as their literal text, up to the first NUL;
  // any other type throws UnreadableValue.
  std::wstring readSetting(std::wstring_view application, std::wstring_view section,
                           std::wstring_view key, std::wstring_view defaultValue) override;
  // Always writes REG_SZ, creating the keys it needs.
  void writeSetting(std::wstring_view application, std::wstring_view section,
                    std::wstring_view key, std::wstring_view value) override;
  // "HKEY_CURRENT_USER\Software\VB and VBA Program Settings\StartUp\Reg"
  std::wstring location(std::wstring_view application, std::wstring_view section) const override;

 private:
  std::wstring keyPath(std::wstring_view application, std::wstring_view section) const;

  HKEY root_ = HKEY_CURRENT_USER;
  std::wstring rootName_ = L"HKEY_CURRENT_USER";
  std::wstring base_;
  bool applicationKey_ = true;
};

// The text of registry string data as stored: UTF-16 up to the first NUL or
// the end, whichever comes first; an odd trailing byte is ignored.
std::wstring textFromRegistryData(const BYTE* data, std::size_t byteCount);

// "REG_DWORD", "REG_BINARY", ..., or "type 1234" for an unknown type.
std::wstring registryTypeName(DWORD type);

}  // namespace vorlix::win32
