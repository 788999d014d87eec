// Controls held in plain memory, with the window's initial values: every box
// Unchecked, nothing selected, every text empty. The same copy the real
// window holds until its controls exist.
#pragma once

#include "core/held_controls.h"

namespace vorlix {

using MemoryControls = HeldControls;

}  // namespace vorlix
