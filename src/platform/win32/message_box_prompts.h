// The program's two questions as message boxes, titled with its name.
#pragma once

#include "ui/program.h"

namespace vorlix::win32 {

class MessageBoxPrompts final : public ui::UserPrompts {
 public:
  void reportError(std::wstring_view message) override;
  bool askRetry(std::wstring_view message) override;
};

// For failures outside any handler, e.g. while the window is being created.
void showFailure(std::wstring_view message);

}  // namespace vorlix::win32
