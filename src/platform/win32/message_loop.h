// The program's message loop.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "platform/win32/window.h"

namespace vorlix::win32 {

// Kernel objects that the loop waits for together with the window's
// messages, so that what they signal is handled on the window's thread,
// between two messages, like any other event.
class LoopWaits {
 public:
  struct Wait {
    std::span<const HANDLE> handles;  // at most MAXIMUM_WAIT_OBJECTS - 1
    DWORD timeout = INFINITE;         // milliseconds until the loop asks again
  };
  // What to wait for now; asked before every wait.
  virtual Wait nextWait() const = 0;
  // handles[index] of the last wait was signalled.
  virtual void signalled(std::size_t index) = 0;

 protected:
  ~LoopWaits() = default;
};

// One event at a time, each to its end, with the window's own keyboard
// handling. Returns the exit code of WM_QUIT; rethrows a failure raised
// inside a handler.
int runMessageLoop(Window& window, LoopWaits* waits = nullptr);

}  // namespace vorlix::win32
