#include "settings/settings_store.h"

#include <utility>

namespace vorlix {

SettingsStoreError::SettingsStoreError(Kind kind, std::wstring reason)
    : std::runtime_error("settings store: " + asciiSummary(reason)),
      kind_(kind),
      reason_(std::move(reason)) {}

std::string asciiSummary(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

}  // namespace vorlix
