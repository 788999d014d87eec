// Prompts for a run that must tell the user nothing: any message fails the test.
#pragma once

#include <gtest/gtest.h>

#include "ui/program.h"

namespace vorlix::test {

struct UnexpectedPrompts final : ui::UserPrompts {
  void reportError(std::wstring_view) override { ADD_FAILURE() << "unexpected message"; }
  bool askRetry(std::wstring_view) override {
    ADD_FAILURE() << "unexpected question";
    return false;
  }
  void bringToFront() override {}
};

}  // namespace vorlix::test
