#include "platform/win32/registry_keys.h"

namespace vorlix::win32 {

HKEY rootKey(Hive root) {
  switch (root) {
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::Users: return HKEY_USERS;
    case Hive::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

LSTATUS openKey(HKEY root, const std::wstring& key, REGSAM access, unique_hkey& opened) {
  return ::RegOpenKeyExW(root, key.c_str(), 0, access | RegistryView, opened.put());
}

unique_hkey openKey(HKEY root, const std::wstring& key, REGSAM access) {
  unique_hkey opened;
  if (openKey(root, key, access, opened) != ERROR_SUCCESS) return {};
  return opened;
}

}  // namespace vorlix::win32
