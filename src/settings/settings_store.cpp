#include "settings/settings_store.h"

#include <utility>

namespace vorlix {

SettingsStoreError::SettingsStoreError(Kind kind, std::wstring reason)
    : std::runtime_error("settings store: " + asciiSummary(reason)),
      kind_(kind),
      reason_(std::move(reason)) {}

}  // namespace vorlix
