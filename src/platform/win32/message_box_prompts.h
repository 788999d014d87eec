// The program's two questions as message boxes, titled with its name.
#pragma once

#include <windows.h>

#include "ui/program.h"

namespace vorlix::win32 {

class MessageBoxPrompts final : public ui::UserPrompts {
 public:
  // `window` owns the box while it is shown, so the user cannot click its
  // controls behind an open message.
  explicit MessageBoxPrompts(HWND window = nullptr) : window_(window) {}

  void reportError(std::wstring_view message) override;
  bool askRetry(std::wstring_view message) override;
  void bringToFront() override;

 private:
  int ask(std::wstring_view message, UINT style) const;

  HWND window_;
};

// For failures outside any handler, e.g. while the window is being created.
void showFailure(std::wstring_view message);

}  // namespace vorlix::win32
