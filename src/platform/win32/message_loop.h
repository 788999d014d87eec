// The program's message loop.
#pragma once

#include <windows.h>

#include "platform/win32/loop_waits.h"
#include "platform/win32/window.h"

namespace vorlix::win32 {

// One event at a time, each to its end, with the window's own keyboard
// handling; `waits` are waited for together with the messages. Returns the
// exit code of WM_QUIT; rethrows a failure raised inside a handler.
int runMessageLoop(Window& window, LoopWaits* waits = nullptr);

}  // namespace vorlix::win32
