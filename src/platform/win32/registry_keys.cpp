#include "platform/win32/registry_keys.h"

#include "core/unexpected_failure.h"

namespace vorlix::win32 {

HKEY rootKey(Hive root) {
  switch (root) {
    case Hive::ClassesRoot: return HKEY_CLASSES_ROOT;
    case Hive::CurrentUser: return HKEY_CURRENT_USER;
    case Hive::LocalMachine: return HKEY_LOCAL_MACHINE;
    case Hive::Users: return HKEY_USERS;
    case Hive::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  unreachable("a hive without a root key");
}

LSTATUS tryOpenKey(HKEY root, const std::wstring& key, REGSAM access, unique_hkey& opened) {
  return ::RegOpenKeyExW(root, key.c_str(), 0, access | RegistryView, opened.put());
}

}  // namespace vorlix::win32
