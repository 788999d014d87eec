// Kernel objects that a loop waits for beside its other work: the window's
// message loop (message_loop.h) and the service's work loop, so that what
// they signal is handled on the loop's thread, between two other events.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

namespace vorlix::win32 {

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

}  // namespace vorlix::win32
