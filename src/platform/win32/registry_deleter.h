// Registry deletion through the registry API. A path is read by
// parseRegistryPath; a value is deleted outright, a key only when it has no
// subkeys, and never a tree. With a keeper, what is deleted is first read
// through the handle that then deletes it (a key's values with it) and
// handed to the keeper; an entry whose copy is not kept stays. Always the 64-bit view of the registry; under
// HKEY_CLASSES_ROOT, the user's or the machine's classes as inClassesPart
// resolves them. Each call answers with its outcome; none throws.
#pragma once

#include <string_view>

#include "core/kept_copies.h"
#include "core/scan_pass.h"

namespace vorlix::win32 {

class RegistryApiDeleter final : public RegistryDeleter {
 public:
  enum class Links { Followed, Refused };
  // Refused: the path is opened part by part and what it names is deleted
  // through the handles of that walk (see tryOpenWithoutLinks); a path through a
  // registry link names nothing. HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet,
  // the system's own link, is read as the control set in use (control_set.h).
  explicit RegistryApiDeleter(Links links = Links::Followed, DeletionKeeper* keeper = nullptr)
      : links_(links), keeper_(keeper) {}

  // Opens and closes every key within the call: no handle outlives it.
  DeletionOutcome RegDelete(std::wstring_view path) noexcept override;
  void ruleInProgress(int slot) noexcept override {
    if (keeper_) keeper_->ruleInProgress(slot);
  }

 private:
  Links links_;
  DeletionKeeper* keeper_;
};

}  // namespace vorlix::win32
