// The deletion archive: every copy kept of what the deletions removed, in a
// file that only grows by appending (archive_journal.h) and is rewritten
// shorter once it reaches its bound. A new copy is on the disk before the
// keeper lets its deletion go on; an entry written back with content that
// is kept already only counts, in memory first, written with the next new
// copy, a minute later, or at the end of the run (a crash loses counts, never
// a copy).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/kept_copies.h"

namespace vorlix {

// The archive's bytes where they are kept. Each call answers 0 or the
// system's error code.
class ArchiveFile {
 public:
  // The whole file into `bytes`; none yet is no failure, and leaves it empty.
  virtual std::uint32_t read(std::vector<std::uint8_t>& bytes) = 0;
  // At the end (the file made first); with `durable`, on the disk before
  // the call returns.
  virtual std::uint32_t append(std::span<const std::uint8_t> bytes, bool durable) = 0;
  // The whole file at once, durably: the old bytes or the new, never a mix.
  virtual std::uint32_t replace(std::span<const std::uint8_t> bytes) = 0;

 protected:
  ~ArchiveFile() = default;
};

class DeletedEntries final : public DeletionKeeper {
 public:
  using Clock = std::function<KeptTime()>;
  // How long a count may wait in memory before it is written.
  static constexpr std::chrono::seconds CountsHeldAtMost{60};

  // `bound`: the most the file may hold, in bytes. A rewrite keeps half of
  // it: the oldest copies go first, the first copy of each entry last. A
  // copy that would take more than half is never kept, so never deleted.
  DeletedEntries(ArchiveFile& file, std::uint64_t bound, Clock clock = std::chrono::system_clock::now);
  DeletedEntries(const DeletedEntries&) = delete;
  DeletedEntries& operator=(const DeletedEntries&) = delete;
  ~DeletedEntries();  // writes the counts still held

  std::optional<DeletionOutcome> keep(const DeletedEntry& entry,
                                      std::vector<KeptValue> values) noexcept override;
  void ruleInProgress(int slot) noexcept override { rule_ = slot; }

  // Reads the file unless it was read already (a first deletion reads it
  // too): 0, or the system's error, and then copies() is empty.
  std::uint32_t load() noexcept;
  // In the order the copies were first kept.
  const std::vector<KeptCopy>& copies() const { return copies_; }
  // Writes the counts held in memory.
  void writeCounts() noexcept;

 private:
  struct HeldCount {
    std::uint64_t more = 0;
  };
  std::optional<DeletionOutcome> keepNew(KeptCopy fresh);
  // The held counts as records, and forgets them.
  std::vector<std::uint8_t> takeHeldCounts();
  // Drops copies (oldest first, an entry's first copy last) until the rest
  // and `fresh` (whose record is `freshRecord`) fill `target` bytes at most,
  // and writes them as the whole file.
  std::uint32_t rewriteWith(const KeptCopy& fresh, const std::vector<std::uint8_t>& freshRecord,
                            std::uint64_t target);
  void reindex();

  ArchiveFile& file_;
  std::uint64_t bound_;
  Clock clock_;
  int rule_ = 0;
  bool loaded_ = false;
  bool rewrite_ = false;  // damaged or torn bytes in the file: the next write rewrites it
  std::vector<KeptCopy> copies_;
  // Entry (as text) to the positions of its copies in copies_.
  std::unordered_map<std::wstring, std::vector<std::size_t>> index_;
  std::uint64_t fileBytes_ = 0;
  std::uint64_t nextId_ = 1;
  std::map<std::size_t, HeldCount> held_;  // by position in copies_
  KeptTime heldSince_{};
};

// What an archive file's bytes hold, read apart from any keeper (the
// service's export reads them so while the service runs).
std::vector<KeptCopy> readKeptCopies(std::span<const std::uint8_t> bytes);

}  // namespace vorlix
