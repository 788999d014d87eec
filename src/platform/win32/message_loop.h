// The program's message loop.
#pragma once

#include "platform/win32/window.h"

namespace vorlix::win32 {

// One event at a time, each to its end, with the window's own keyboard
// handling. Returns the exit code of WM_QUIT; rethrows a failure raised
// inside a handler.
int runMessageLoop(Window& window);

}  // namespace vorlix::win32
