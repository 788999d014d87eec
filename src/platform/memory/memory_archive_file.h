// The deletion archive's file in memory, failing when told to, and keeping
// what a crash would leave: what was written durably, and what was not.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/deleted_entries.h"

namespace vorlix {

class MemoryArchiveFile final : public ArchiveFile {
 public:
  std::uint32_t read(std::vector<std::uint8_t>& out) override {
    if (failWith) return failWith;
    out = bytes;
    return 0;
  }
  std::uint32_t append(std::span<const std::uint8_t> more, bool isDurable) override {
    if (failWith) return failWith;
    bytes.insert(bytes.end(), more.begin(), more.end());
    if (isDurable) durable = bytes;
    ++appends;
    return 0;
  }
  std::uint32_t replace(std::span<const std::uint8_t> whole) override {
    if (failWith || failReplaceWith) return failWith ? failWith : failReplaceWith;
    bytes.assign(whole.begin(), whole.end());
    durable = bytes;
    ++replaces;
    return 0;
  }

  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> durable;  // what survives a crash for certain
  std::uint32_t failWith = 0;         // every call answers this error
  std::uint32_t failReplaceWith = 0;  // a rewrite answers this error
  int appends = 0;
  int replaces = 0;
};

}  // namespace vorlix
