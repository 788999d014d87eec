// The configuration the service applies: the last one read whole from the
// machine store. A read goes into a scratch copy and replaces what applies
// only once all 50 entries have been read, so nothing of a half-read or
// partly bad store is ever applied.
#pragma once

#include <optional>

#include "core/held_controls.h"
#include "settings/settings_failure.h"
#include "settings/settings_store.h"

namespace vorlix::service {

class MachineConfiguration {
 public:
  // What the scan timing runs on; every rule off until a whole read.
  ConfigControls& controls() { return live_; }
  const ConfigControls& controls() const { return live_; }
  bool applying() const { return applying_; }
  int activeRules();

  // Nothing when the store was read whole and now applies; otherwise the
  // entry that stopped the read, and what applied before goes on applying.
  std::optional<SettingsFailure> reload(SettingsStore& store);
  // The store is not to be trusted: nothing applies until a whole read.
  void withdraw();

 private:
  HeldControls live_;
  bool applying_ = false;
};

}  // namespace vorlix::service
