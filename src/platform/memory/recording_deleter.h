// A deleter that remembers every path it was asked to delete, in order, and
// answers as it is told to.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/scan_pass.h"

namespace vorlix {

class RecordingDeleter final : public RegistryDeleter {
 public:
  DeletionOutcome RegDelete(std::wstring_view path) noexcept override {
    try {
      calls.emplace_back(path);
      rules.push_back(rule_);
      if (onCall) onCall(path);
      return answer ? answer(path) : DeletionOutcome::of(DeletionOutcome::Kind::Deleted);
    } catch (...) {
      // Like the real deleter, nothing escapes; the failure has no code.
      return DeletionOutcome::failed(0);
    }
  }

  void ruleInProgress(int slot) noexcept override { rule_ = slot; }

  std::vector<std::wstring> calls;
  std::vector<int> rules;  // the rule in progress at each call
  // Runs inside each call, e.g. to fail or to edit the controls mid-pass.
  std::function<void(std::wstring_view)> onCall;
  // The outcome of each call; without it every call deletes.
  std::function<DeletionOutcome(std::wstring_view)> answer;

 private:
  int rule_ = 0;
};

}  // namespace vorlix
