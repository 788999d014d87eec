#include "platform/memory/memory_settings_store.h"

namespace vorlix {
namespace {

std::tuple<std::wstring, std::wstring, std::wstring> address(std::wstring_view application,
                                                              std::wstring_view section,
                                                              std::wstring_view key) {
  return {std::wstring(application), std::wstring(section), std::wstring(key)};
}

}  // namespace

void MemorySettingsStore::record(SettingsCall call) {
  calls.push_back(call);
  if (onCall) onCall(call);
}

std::wstring MemorySettingsStore::readSetting(std::wstring_view application,
                                              std::wstring_view section, std::wstring_view key,
                                              std::wstring_view defaultValue) {
  record({SettingsCall::Kind::Read, std::wstring(application), std::wstring(section),
          std::wstring(key), std::wstring(defaultValue)});
  const auto found = entries_.find(address(application, section, key));
  if (found == entries_.end()) return std::wstring(defaultValue);
  if (found->second.unreadable)
    throw SettingsStoreError(SettingsStoreError::Kind::UnreadableValue, *found->second.unreadable);
  return found->second.text;
}

void MemorySettingsStore::writeSetting(std::wstring_view application, std::wstring_view section,
                                       std::wstring_view key, std::wstring_view value) {
  record({SettingsCall::Kind::Write, std::wstring(application), std::wstring(section),
          std::wstring(key), std::wstring(value)});
  const Address at = address(application, section, key);
  if (const auto failing = failingWrites_.find(at); failing != failingWrites_.end())
    throw SettingsStoreError(SettingsStoreError::Kind::SystemFailure, failing->second);
  entries_[at] = Stored{std::wstring(value), std::nullopt};
}

std::wstring MemorySettingsStore::location(std::wstring_view application,
                                           std::wstring_view section) const {
  return L"memory:" + std::wstring(application) + L"\\" + std::wstring(section);
}

void MemorySettingsStore::put(std::wstring_view section, std::wstring_view key,
                              std::wstring_view text, std::wstring_view application) {
  entries_[address(application, section, key)] = Stored{std::wstring(text), std::nullopt};
}

std::optional<std::wstring> MemorySettingsStore::get(std::wstring_view section,
                                                     std::wstring_view key,
                                                     std::wstring_view application) const {
  const auto found = entries_.find(address(application, section, key));
  if (found == entries_.end() || found->second.unreadable) return std::nullopt;
  return found->second.text;
}

void MemorySettingsStore::putUnreadable(std::wstring_view section, std::wstring_view key,
                                        std::wstring_view what) {
  entries_[address(SettingsApplication, section, key)] = Stored{{}, std::wstring(what)};
}

void MemorySettingsStore::failWritesTo(std::wstring_view section, std::wstring_view key,
                                       std::wstring_view reason) {
  failingWrites_[address(SettingsApplication, section, key)] = std::wstring(reason);
}

}  // namespace vorlix
