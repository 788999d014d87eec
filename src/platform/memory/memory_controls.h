// The tests' controls: the core's plain-memory controls.
#pragma once

#include "core/plain_controls.h"

namespace vorlix {

using MemoryControls = PlainControls;

}  // namespace vorlix
