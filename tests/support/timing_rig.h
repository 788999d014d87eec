// The controls and the scan timing over stand-ins, wired as in the program,
// for the tests that drive the timing and the configuration's reading.
#pragma once

#include "core/scan_timing.h"
#include "platform/memory/manual_timer.h"
#include "platform/memory/memory_controls.h"
#include "platform/memory/memory_registry_watch.h"
#include "platform/memory/recording_deleter.h"

namespace vorlix {

struct TimingRig {
  MemoryControls controls;
  ManualTimer timer;
  MemoryRegistryWatch watch;
  RecordingDeleter deleter;
  ScanTiming timing{timer, watch, controls, deleter};
};

}  // namespace vorlix
