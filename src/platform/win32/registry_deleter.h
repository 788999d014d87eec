// Registry deletion through the registry API. A path is read by
// parseRegistryPath; a value is deleted outright, a key only when it has no
// subkeys, and never a tree. Always the 64-bit view of the registry; under
// HKEY_CLASSES_ROOT, the user's or the machine's classes as inClassesPart
// resolves them. Each call answers with its outcome; none throws.
#pragma once

#include <string_view>

#include "core/scan_pass.h"

namespace vorlix::win32 {

class RegistryApiDeleter final : public RegistryDeleter {
 public:
  enum class Links { Followed, Refused };
  // Refused: the path is opened part by part and what it names is deleted
  // through the handles of that walk (see tryOpenWithoutLinks); a path through a
  // registry link names nothing. HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet,
  // the system's own link, is read as the control set in use (control_set.h).
  explicit RegistryApiDeleter(Links links = Links::Followed) : links_(links) {}

  // Opens and closes every key within the call: no handle outlives it.
  DeletionOutcome RegDelete(std::wstring_view path) noexcept override;

 private:
  Links links_;
};

}  // namespace vorlix::win32
