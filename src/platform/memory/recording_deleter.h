// A deleter that remembers every path it was asked to delete, in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/scan_pass.h"

namespace vorlix {

class RecordingDeleter final : public RegistryDeleter {
 public:
  void RegDelete(std::wstring_view path) noexcept override {
    try {
      calls.emplace_back(path);
      if (onCall) onCall(path);
    } catch (...) {
      // Like the real deleter, nothing escapes.
    }
  }

  std::vector<std::wstring> calls;
  // Runs inside each call, e.g. to fail or to edit the controls mid-pass.
  std::function<void(std::wstring_view)> onCall;
};

}  // namespace vorlix
