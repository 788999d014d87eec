#include "platform/win32/registry_deleter.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "core/classes_root.h"
#include "core/registry_path.h"
#include "platform/win32/check.h"
#include "platform/win32/registry_keys.h"
#include "platform/win32/registry_links.h"
#include "platform/win32/unique_handle.h"

// Every outcome of a deletion is an answer, never a failure of the call: a
// missing entry, a refused access or a key with subkeys is part of a normal
// pass, and the next pass tries again. Failures are therefore tested, not
// thrown: a pass over twelve missing entries should cost no more than the
// twelve API calls.

namespace vorlix::win32 {
namespace {

using Kind = DeletionOutcome::Kind;

// What a registry call's status means for the deletion.
DeletionOutcome outcomeOf(LSTATUS status) {
  if (status == ERROR_SUCCESS) return DeletionOutcome::of(Kind::Deleted);
  if (isNotFound(status)) return DeletionOutcome::of(Kind::NotThere);
  if (status == ERROR_ACCESS_DENIED) return DeletionOutcome::of(Kind::AccessDenied);
  return DeletionOutcome::failed(static_cast<std::uint32_t>(status));
}

DeletionOutcome deleteValue(const RegistryTarget& target) {
  const HKEY root = rootKey(target.root);
  if (target.key.empty()) {
    // A value of the root key itself: the predefined handle is used as it is;
    // it is not ours to close, and WOW64 redirects nothing at the roots.
    return outcomeOf(::RegDeleteValueW(root, target.value.c_str()));
  }
  unique_hkey key;
  if (const LSTATUS opened = openKey(root, target.key, KEY_SET_VALUE, key); opened != ERROR_SUCCESS)
    return outcomeOf(opened);
  return outcomeOf(::RegDeleteValueW(key.get(), target.value.c_str()));
}

// Nothing for a leaf, the only kind of key that is deleted; otherwise why
// the key stays. A failed enumeration leaves the answer unknown, and only a
// key known to be a leaf is deleted.
std::optional<DeletionOutcome> whyNotALeaf(HKEY root, const std::wstring& path) {
  // Enumerating subkeys is all the check needs.
  unique_hkey key;
  if (const LSTATUS opened = openKey(root, path, KEY_ENUMERATE_SUB_KEYS, key); opened != ERROR_SUCCESS)
    return outcomeOf(opened);
  wchar_t name[256];  // a key name has at most 255 characters
  DWORD length = ARRAYSIZE(name);
  const LSTATUS first =
      ::RegEnumKeyExW(key.get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (first == ERROR_NO_MORE_ITEMS) return std::nullopt;
  if (first == ERROR_SUCCESS) return DeletionOutcome::of(Kind::HasSubkeys);
  return outcomeOf(first);
}

DeletionOutcome deleteKey(const RegistryTarget& target) {
  const HKEY root = rootKey(target.root);
  if (const std::optional<DeletionOutcome> kept = whyNotALeaf(root, target.key)) return *kept;
  // A subkey created since the check still keeps the key: the registry
  // refuses to delete a key that has subkeys (RegDeleteKeyExW is not
  // recursive, on Windows and under Wine), so no tree is ever removed. The
  // call opens the key itself with DELETE, the only access a deletion needs;
  // the root handle's access does not matter, and the path may span levels.
  const DeletionOutcome deleted = outcomeOf(::RegDeleteKeyExW(root, target.key.c_str(), RegistryView, 0));
  // That refusal reads as access denied; a key that gained subkeys since the
  // check is told as what it is.
  if (deleted.kind == Kind::AccessDenied) {
    const std::optional<DeletionOutcome> now = whyNotALeaf(root, target.key);
    if (now && now->kind == Kind::HasSubkeys) return *now;
  }
  return deleted;
}

// For the classes view: a key that will not open for the user is there all
// the same, and deleting in it answers with the refusal, as the view would.
bool keyExists(Hive root, std::wstring_view key) {
  unique_hkey opened;
  return !isNotFound(openKey(rootKey(root), std::wstring(key), KEY_QUERY_VALUE, opened));
}

}  // namespace

DeletionOutcome RegistryApiDeleter::RegDelete(std::wstring_view path) noexcept {
  try {
    // Links are looked for along the path as written: the user's part of
    // HKEY_CLASSES_ROOT is itself reached through one on Windows.
    const RegistryPathReading written = readRegistryPath(path);
    if (links_ == Links::Refused && written.target.kind != RegistryTarget::Kind::Nothing &&
        pathCrossesRegistryLink(rootKey(written.target.root), written.target.key))
      return DeletionOutcome::namesNothing(PathFault::ThroughLink);
    // HKEY_CLASSES_ROOT in the part of the view that Windows would delete
    // in, decided here rather than left to the platform (Wine has only one).
    const RegistryPathReading reading = inClassesPart(written, keyExists);
    switch (reading.target.kind) {
      case RegistryTarget::Kind::Value: return deleteValue(reading.target);
      case RegistryTarget::Kind::Key: return deleteKey(reading.target);
      case RegistryTarget::Kind::Nothing: break;
    }
    return DeletionOutcome::namesNothing(reading.fault);
  } catch (...) {
    // Out of memory while splitting the path: one more answer for the pass.
    return DeletionOutcome::failed(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace vorlix::win32
