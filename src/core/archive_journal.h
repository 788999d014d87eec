// The deletion archive's file: records appended one after another, each
// framed and checksummed, so that a record torn by a crash (or any damaged
// bytes) is skipped on reading and the rest is read all the same.
//
//   record: magic "VKC1", body length (u32), body, CRC-32 of the body (u32)
//   body:   kind (u8), then
//     1 copy:  id (u64), rule (u8), hive (u8), is key (u8), key path (text),
//              value name (text), first, last (i64 microseconds since 1970,
//              UTC), count (u64), values (u32), each: name (text), type
//              (u32), data (u32 length, bytes)
//     2 seen:  id (u64), rule (u8), more deletions (u64), last (i64)
//   text: length in UTF-16 units (u32), the units; all little-endian.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/kept_copies.h"

namespace vorlix {

std::vector<std::uint8_t> copyRecord(const KeptCopy& copy);
// `more` deletions of copy `id`'s content, the last at `last`, by `rule`.
std::vector<std::uint8_t> seenRecord(std::uint64_t id, int rule, std::uint64_t more, KeptTime last);

struct JournalReading {
  std::vector<KeptCopy> copies;  // in id order
  bool damaged = false;          // bytes were skipped: the file deserves a rewrite
};
JournalReading readJournal(std::span<const std::uint8_t> bytes);

}  // namespace vorlix
