// A registry watch in plain memory: it records what it was armed with, and
// a test's change() stands for the registry's report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/scan_timing.h"

namespace vorlix {

class MemoryRegistryWatch final : public RegistryWatch {
 public:
  struct Arming {
    std::vector<std::wstring> paths;  // the active rules' paths, in slot order
    std::int32_t hold;
  };

  void arm(const RuleTable& rules, std::int32_t holdMs) override;
  void close() override;
  bool armed() const override { return armed_; }

  // A change under a watched key: reported at once (the hold is the
  // binding's to keep), and like the real watch once per arming.
  void change();

  std::function<void()> onChange;
  std::vector<Arming> arms;
  int closes = 0;
  // When set, every arming and closing is noted there: "watch on, hold N",
  // "watch off".
  std::vector<std::wstring>* log = nullptr;

 private:
  bool armed_ = false;
  bool reported_ = false;
};

}  // namespace vorlix
