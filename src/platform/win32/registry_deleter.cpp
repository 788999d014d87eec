#include "platform/win32/registry_deleter.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/classes_root.h"
#include "core/control_set.h"
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

DeletedEntry entryOf(const RegistryTarget& target) {
  return {target.root, target.keyPath, target.valueName, target.kind == RegistryTarget::Kind::Key};
}

// One value through `key`, byte for byte, whatever its size.
LSTATUS readValue(HKEY key, const std::wstring& name, KeptValue& value) {
  value.name = name;
  value.data.resize(256);
  for (;;) {
    DWORD type = REG_NONE, size = static_cast<DWORD>(value.data.size());
    const LSTATUS status = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, value.data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      value.data.resize(size);
      continue;
    }
    value.type = type;
    value.data.resize(status == ERROR_SUCCESS ? size : 0);
    return status;
  }
}

// Every value of `key`, in the registry's order.
LSTATUS readValues(HKEY key, std::vector<KeptValue>& values) {
  std::wstring name(32768, L'\0');  // longer than any value name
  std::vector<BYTE> data(256);
  for (DWORD i = 0;;) {
    DWORD length = static_cast<DWORD>(name.size()), type = REG_NONE, size = static_cast<DWORD>(data.size());
    const LSTATUS status = ::RegEnumValueW(key, i, name.data(), &length, nullptr, &type, data.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status == ERROR_MORE_DATA) {
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    values.push_back({name.substr(0, length), type, {data.begin(), data.begin() + size}});
    ++i;
  }
}

// Nothing when the keeper has the values (or there is none): the deletion
// goes on. Otherwise the outcome to answer, and nothing is deleted.
std::optional<DeletionOutcome> refusedKeeping(DeletionKeeper* keeper, const RegistryTarget& target,
                                              std::vector<KeptValue> values) {
  return keeper ? keeper->keep(entryOf(target), std::move(values)) : std::nullopt;
}

// The value, read and deleted through `key`, the value's key.
DeletionOutcome deleteValueIn(HKEY key, const RegistryTarget& target, DeletionKeeper* keeper) {
  if (keeper) {
    KeptValue value;
    if (const LSTATUS read = readValue(key, target.valueName, value); read != ERROR_SUCCESS)
      return outcomeOf(read);
    if (const auto refused = refusedKeeping(keeper, target, {std::move(value)})) return *refused;
  }
  return outcomeOf(::RegDeleteValueW(key, target.valueName.c_str()));
}

DeletionOutcome deleteValue(const RegistryTarget& target, DeletionKeeper* keeper) {
  const HKEY root = rootKey(target.root);
  if (target.keyPath.empty()) {
    // A value of the root key itself: the predefined handle is used as it is;
    // it is not ours to close, and WOW64 redirects nothing at the roots.
    return deleteValueIn(root, target, keeper);
  }
  unique_hkey key;
  if (const LSTATUS opened = tryOpenKey(root, target.keyPath, KEY_SET_VALUE | KEY_QUERY_VALUE, key);
      opened != ERROR_SUCCESS)
    return outcomeOf(opened);
  return deleteValueIn(key.get(), target, keeper);
}

// Nothing for a leaf, the only kind of key that is deleted; otherwise why
// the key stays. A failed enumeration leaves the answer unknown, and only a
// key known to be a leaf is deleted.
std::optional<DeletionOutcome> whyNotALeaf(HKEY key) {
  wchar_t name[256];  // a key name has at most 255 characters
  DWORD length = ARRAYSIZE(name);
  const LSTATUS first = ::RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
  if (first == ERROR_NO_MORE_ITEMS) return std::nullopt;
  if (first == ERROR_SUCCESS) return DeletionOutcome::of(Kind::HasSubkeys);
  return outcomeOf(first);
}

// A subkey created since the check still keeps the key: the registry refuses
// to delete a key that has subkeys (on Windows and under Wine), so no tree is
// ever removed. That refusal reads as access denied; a key that gained
// subkeys since the check is told as what it is.
DeletionOutcome toldAsItIs(DeletionOutcome deleted, const auto& whyNotALeafNow) {
  if (deleted.kind == Kind::AccessDenied) {
    const std::optional<DeletionOutcome> now = whyNotALeafNow();
    if (now && now->kind == Kind::HasSubkeys) return *now;
  }
  return deleted;
}

// The key of `key`, a leaf, deleted through that handle with its values
// kept first.
DeletionOutcome deleteLeafIn(HKEY key, const RegistryTarget& target, DeletionKeeper* keeper) {
  if (const std::optional<DeletionOutcome> kept = whyNotALeaf(key)) return *kept;
  if (keeper) {
    std::vector<KeptValue> values;
    if (const LSTATUS read = readValues(key, values); read != ERROR_SUCCESS) return outcomeOf(read);
    if (const auto refused = refusedKeeping(keeper, target, std::move(values))) return *refused;
  }
  return toldAsItIs(outcomeOf(tryDeleteOpenKey(key)), [&] { return whyNotALeaf(key); });
}

DeletionOutcome deleteKey(const RegistryTarget& target, DeletionKeeper* keeper) {
  // Opened once: checked, read and deleted through the one handle.
  unique_hkey key;
  if (const LSTATUS opened = tryOpenKey(rootKey(target.root), target.keyPath,
                                     DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key);
      opened != ERROR_SUCCESS)
    return outcomeOf(opened);
  return deleteLeafIn(key.get(), target, keeper);
}

// For the classes view: a key that will not open for the user is there all
// the same, and deleting in it answers with the refusal, as the view would.
bool keyExists(Hive root, std::wstring_view key) {
  unique_hkey opened;
  return !isNotFound(tryOpenKey(rootKey(root), std::wstring(key), KEY_QUERY_VALUE, opened));
}

// The same, walking without links. A link on the way may hide the key
// behind it: the rule stays in that part of the view, and names nothing.
bool keyExistsWithoutLinks(Hive root, std::wstring_view key) {
  unique_hkey opened;
  const LinkFreeWalk walk = tryOpenWithoutLinks(rootKey(root), key, 0, opened);
  return walk.throughLink || !isNotFound(walk.status);
}

// What stands at SYSTEM\CurrentControlSet here (see ControlSetInUse), read
// without following a link, as the path itself will be.
std::optional<std::uint32_t> controlSetInUse() {
  unique_hkey key;
  if (!tryOpenWithoutLinks(HKEY_LOCAL_MACHINE, CurrentControlSetKey, 0, key).throughLink) return std::nullopt;
  DWORD current = 0, size = sizeof current, type = REG_NONE;
  if (!tryOpenWithoutLinks(HKEY_LOCAL_MACHINE, ControlSetSelectKey, 0, key).reached() ||
      ::RegQueryValueExW(key.get(), std::wstring(ControlSetCurrentValue).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(&current), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;  // no control set: the path names nothing
  return current;
}

// What the service deletes: the path as the registry would resolve it
// (HKEY_CLASSES_ROOT in one of its parts, CurrentControlSet as the control
// set in use), walked from its root without following a link, and deleted
// through the handle of that walk.
DeletionOutcome deleteWithoutLinks(RegistryPathReading written, DeletionKeeper* keeper) {
  const RegistryPathReading reading =
      inClassesPart(inControlSetInUse(std::move(written), controlSetInUse), keyExistsWithoutLinks);
  const RegistryTarget& target = reading.target;
  if (target.kind == RegistryTarget::Kind::Nothing) return DeletionOutcome::namesNothing(reading.fault);
  if (target.keyPath.empty()) return deleteValue(target, keeper);
  const bool value = target.kind == RegistryTarget::Kind::Value;
  // The walk adds the access to read values, as the keeping needs it.
  const REGSAM access = value ? KEY_SET_VALUE : DELETE | KEY_ENUMERATE_SUB_KEYS;
  unique_hkey key;
  const LinkFreeWalk walk = tryOpenWithoutLinks(rootKey(target.root), target.keyPath, access, key);
  if (walk.throughLink) return DeletionOutcome::namesNothing(PathFault::ThroughLink);
  if (walk.status != ERROR_SUCCESS) return outcomeOf(walk.status);
  return value ? deleteValueIn(key.get(), target, keeper) : deleteLeafIn(key.get(), target, keeper);
}

}  // namespace

DeletionOutcome RegistryApiDeleter::RegDelete(std::wstring_view path) noexcept {
  try {
    if (links_ == Links::Refused) return deleteWithoutLinks(readRegistryPath(path), keeper_);
    // HKEY_CLASSES_ROOT in the part of the view that Windows would delete
    // in, decided here rather than left to the platform (Wine has only one).
    const RegistryPathReading reading = inClassesPart(readRegistryPath(path), keyExists);
    switch (reading.target.kind) {
      case RegistryTarget::Kind::Value: return deleteValue(reading.target, keeper_);
      case RegistryTarget::Kind::Key: return deleteKey(reading.target, keeper_);
      case RegistryTarget::Kind::Nothing: break;
    }
    return DeletionOutcome::namesNothing(reading.fault);
  } catch (...) {
    // Out of memory while splitting the path: one more answer for the pass.
    return DeletionOutcome::failed(ERROR_NOT_ENOUGH_MEMORY);
  }
}

}  // namespace vorlix::win32
