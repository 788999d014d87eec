// The names that screen readers give the window's controls. The visible
// captions stay as they are; a rule row's controls are named after their row
// so that twelve alike rows can be told apart.
#pragma once

#include <string>

#include "ui/layout.h"

namespace vorlix::ui {

// Unique among the window's controls: "Rule 3 hive", "Scanner enabled".
std::wstring accessibleName(const PlacedControl& control);

}  // namespace vorlix::ui
