#include "platform/win32/registry_deleter.h"

#include <windows.h>

#include <string>

#include "platform/registry_path.h"
#include "platform/win32/unique_handle.h"

// Every outcome of a deletion is deliberately ignored: a missing entry, a
// refused access or a key with subkeys is part of a normal pass, and the next
// pass tries again. Failures are therefore tested, not thrown: a pass over
// twelve missing entries should cost no more than the twelve API calls.

namespace vorlix::win32 {
namespace {

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users: return HKEY_USERS;
    case RegistryRoot::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return nullptr;
}

// The 64-bit view in every build. A 64-bit process has it already; a 32-bit
// build would otherwise be sent to Software\WOW6432Node under
// HKEY_LOCAL_MACHINE, so only there is the flag given: with a view flag,
// Wine opens a new root handle for HKEY_CLASSES_ROOT at every call and never
// closes it, which at "Very High" loses handles every second.
#ifdef _WIN64
constexpr REGSAM kView = 0;
#else
constexpr REGSAM kView = KEY_WOW64_64KEY;
#endif

// An empty handle when the key cannot be opened (most often: it is missing).
unique_hkey openKey(HKEY root, const std::wstring& key, REGSAM access) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, access | kView, &opened) != ERROR_SUCCESS) return {};
  return unique_hkey(opened);
}

void deleteValue(const RegistryTarget& target) {
  const HKEY root = rootKey(target.root);
  if (target.key.empty()) {
    // A value of the root key itself: the predefined handle is used as it is;
    // it is not ours to close, and WOW64 redirects nothing at the roots.
    (void)::RegDeleteValueW(root, target.value.c_str());  // outcome ignored, see top
    return;
  }
  const unique_hkey key = openKey(root, target.key, KEY_SET_VALUE);
  if (!key) return;
  (void)::RegDeleteValueW(key.get(), target.value.c_str());  // outcome ignored, see top
}

// True also when the answer is unknown: only a key known to be a leaf is
// deleted.
bool mayHaveSubkeys(HKEY key) {
  wchar_t name[256];  // a key name has at most 255 characters
  DWORD length = ARRAYSIZE(name);
  return ::RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) !=
         ERROR_NO_MORE_ITEMS;
}

void deleteKey(const RegistryTarget& target) {
  const HKEY root = rootKey(target.root);
  {
    // Enumerating subkeys is all the check needs.
    const unique_hkey key = openKey(root, target.key, KEY_ENUMERATE_SUB_KEYS);
    if (!key || mayHaveSubkeys(key.get())) return;
  }
  // A subkey created since the check still keeps the key: the registry
  // refuses to delete a key that has subkeys (RegDeleteKeyExW is not
  // recursive, on Windows and under Wine), so no tree is ever removed. The
  // call opens the key itself with DELETE, the only access a deletion needs;
  // the root handle's access does not matter, and the path may span levels.
  (void)::RegDeleteKeyExW(root, target.key.c_str(), kView, 0);  // outcome ignored, see top
}

}  // namespace

void RegistryApiDeleter::RegDelete(std::wstring_view path) noexcept {
  try {
    const RegistryTarget target = parseRegistryPath(path);
    switch (target.kind) {
      case RegistryTarget::Kind::Value: deleteValue(target); break;
      case RegistryTarget::Kind::Key: deleteKey(target); break;
      case RegistryTarget::Kind::Nothing: break;
    }
  } catch (...) {
    // Out of memory while splitting the path: one more failure to swallow.
  }
}

}  // namespace vorlix::win32
