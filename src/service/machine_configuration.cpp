#include "service/machine_configuration.h"

#include "settings/configuration_io.h"

namespace vorlix::service {

int MachineConfiguration::activeRules() {
  int active = 0;
  for (const RuleSlot slot : RuleTable(live_))
    active += slot.isActive() ? 1 : 0;
  return active;
}

std::optional<SettingsFailure> MachineConfiguration::reload(SettingsStore& store) {
  HeldControls read;
  ProgramOptions options(read);  // nothing reacts to a read until it is whole
  try {
    readConfiguration(store, RuleTable(read), options);
  } catch (const SettingsFailure& failure) {
    return failure;
  }
  live_ = read;
  applying_ = true;
  return std::nullopt;
}

void MachineConfiguration::withdraw() {
  live_ = HeldControls();
  applying_ = false;
}

}  // namespace vorlix::service
