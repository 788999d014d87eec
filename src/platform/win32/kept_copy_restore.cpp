#include "platform/win32/kept_copy_restore.h"

#include <limits>
#include <vector>

#include "platform/win32/registry_keys.h"
#include "platform/win32/unique_handle.h"

namespace vorlix::win32 {

LSTATUS restoreKeptCopy(const KeptCopy& copy) {
  const HKEY root = rootKey(copy.entry.root);
  unique_hkey key;
  if (!copy.entry.key.empty()) {
    if (const LSTATUS made = ::RegCreateKeyExW(root, copy.entry.key.c_str(), 0, nullptr, 0,
                                               KEY_SET_VALUE | RegistryView, nullptr, key.put(), nullptr);
        made != ERROR_SUCCESS)
      return made;
  }
  for (const KeptValue& v : copy.values) {
    if (v.data.size() > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_DATA;
    // Text whose NUL is missing gets one from the registry when a NUL
    // follows the data in memory (Windows does so, and Wine): none follows
    // here, so the data is written back as it was.
    std::vector<BYTE> data = v.data;
    data.insert(data.end(), {0xFF, 0xFF});
    // A value of the root key itself goes through the predefined handle.
    const LSTATUS written = ::RegSetValueExW(key ? key.get() : root, v.name.c_str(), 0, v.type,
                                             data.data(), static_cast<DWORD>(v.data.size()));
    if (written != ERROR_SUCCESS) return written;
  }
  return ERROR_SUCCESS;
}

}  // namespace vorlix::win32
