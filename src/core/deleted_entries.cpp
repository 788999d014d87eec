#include "core/deleted_entries.h"

#include <algorithm>
#include <numeric>

#include "core/archive_journal.h"

namespace vorlix {
namespace {

std::wstring entryText(const DeletedEntry& e) {
  std::wstring text(1, static_cast<wchar_t>(L'0' + static_cast<int>(e.root)));
  text += e.isKey ? L'K' : L'V';
  return text + e.key + L'\0' + e.value;
}

void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

}  // namespace

DeletedEntries::DeletedEntries(ArchiveFile& file, std::uint64_t bound, Clock clock)
    : file_(file), bound_(bound), clock_(std::move(clock)) {}

DeletedEntries::~DeletedEntries() { writeCounts(); }

std::uint32_t DeletedEntries::load() noexcept {
  if (loaded_) return 0;
  try {
    std::vector<std::uint8_t> bytes;
    if (const std::uint32_t failed = file_.read(bytes)) return failed;
    JournalReading reading = readJournal(bytes);
    copies_ = std::move(reading.copies);
    rewrite_ = reading.damaged;
    fileBytes_ = bytes.size();
    nextId_ = copies_.empty() ? 1 : copies_.back().id + 1;
    reindex();
    loaded_ = true;
    return 0;
  } catch (...) {
    copies_.clear();
    index_.clear();
    return ErrorNotEnoughMemory;
  }
}

void DeletedEntries::reindex() {
  index_.clear();
  for (std::size_t i = 0; i < copies_.size(); ++i) index_[entryText(copies_[i].entry)].push_back(i);
}

std::optional<DeletionOutcome> DeletedEntries::keep(const DeletedEntry& entry,
                                                    std::vector<KeptValue> values) noexcept {
  try {
    if (const std::uint32_t failed = load()) return DeletionOutcome::notKept(failed);
    // As the file keeps it, so that a copy read back equals the one kept.
    const KeptTime now = std::chrono::floor<std::chrono::microseconds>(clock_());
    if (const auto same = index_.find(entryText(entry)); same != index_.end()) {
      for (const std::size_t i : same->second) {
        KeptCopy& kept = copies_[i];
        if (kept.values != values) continue;
        // Kept already: on the disk since its first deletion. Counted.
        kept.rule = rule_;
        kept.last = std::max(kept.last, now);
        ++kept.count;
        if (held_.empty()) heldSince_ = now;
        ++held_[i].more;
        if (now - heldSince_ >= CountsHeldAtMost) writeCounts();
        return std::nullopt;
      }
    }
    return keepNew({nextId_, rule_, entry, std::move(values), now, now, 1});
  } catch (...) {
    return DeletionOutcome::notKept(ErrorNotEnoughMemory);
  }
}

std::optional<DeletionOutcome> DeletedEntries::keepNew(KeptCopy fresh) {
  const std::vector<std::uint8_t> record = copyRecord(fresh);
  if (record.size() > bound_ / 2) return DeletionOutcome::notKept(0);
  std::vector<std::uint8_t> bytes = takeHeldCounts();
  append(bytes, record);
  std::uint32_t failed = 0;
  const bool full = fileBytes_ + bytes.size() > bound_;
  if (rewrite_ || full) {
    // Full: half the bound is kept, so that rewrites stay rare.
    failed = rewriteWith(fresh, record, full ? bound_ / 2 : bound_);
    // A rewrite refused (the file held open elsewhere, say): appended
    // instead, as long as the file stays within twice its bound.
    if (failed && !rewrite_ && fileBytes_ + bytes.size() <= 2 * bound_) failed = 0;
    else if (!failed) bytes.clear();
  }
  if (!failed && !bytes.empty()) {
    failed = file_.append(bytes, true);
    // Maybe written in part: the reader skips a torn record, and the next
    // write rewrites the file.
    if (failed) rewrite_ = true;
    else fileBytes_ += bytes.size();
  }
  if (failed) return DeletionOutcome::notKept(failed);
  if (!copies_.empty() && copies_.back().id == fresh.id) return std::nullopt;  // rewritten with it
  ++nextId_;
  index_[entryText(fresh.entry)].push_back(copies_.size());
  copies_.push_back(std::move(fresh));
  return std::nullopt;
}

std::vector<std::uint8_t> DeletedEntries::takeHeldCounts() {
  std::vector<std::uint8_t> bytes;
  for (const auto& [i, held] : held_) {
    const KeptCopy& c = copies_[i];
    append(bytes, seenRecord(c.id, c.rule, held.more, c.last));
  }
  held_.clear();
  return bytes;
}

void DeletedEntries::writeCounts() noexcept {
  if (held_.empty()) return;
  try {
    const std::vector<std::uint8_t> bytes = takeHeldCounts();
    // Counts only: not worth a wait for the disk, nor a failure.
    if (file_.append(bytes, false) == 0) fileBytes_ += bytes.size();
    else rewrite_ = true;
  } catch (...) {
    held_.clear();  // out of memory: those counts are lost, as in a crash
  }
}

std::uint32_t DeletedEntries::rewriteWith(const KeptCopy& fresh, const std::vector<std::uint8_t>& freshRecord,
                                          std::uint64_t target) {
  std::vector<std::vector<std::uint8_t>> records;
  records.reserve(copies_.size());
  for (const KeptCopy& c : copies_) records.push_back(copyRecord(c));
  // An entry's first copy: the one first kept, what the entry held before
  // its first deletion.
  std::vector<bool> first(copies_.size());
  for (const auto& [entry, positions] : index_) first[positions.front()] = true;
  std::vector<std::size_t> order(copies_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (first[a] != first[b]) return !first[a];
    if (copies_[a].last != copies_[b].last) return copies_[a].last < copies_[b].last;
    return a < b;
  });
  std::uint64_t total = freshRecord.size();
  for (const auto& r : records) total += r.size();
  std::vector<bool> dropped(copies_.size());
  for (const std::size_t i : order) {
    if (total <= target) break;
    dropped[i] = true;
    total -= records[i].size();
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(total);
  for (std::size_t i = 0; i < copies_.size(); ++i)
    if (!dropped[i]) append(bytes, records[i]);
  append(bytes, freshRecord);
  if (const std::uint32_t failed = file_.replace(bytes)) return failed;
  std::vector<KeptCopy> kept;
  for (std::size_t i = 0; i < copies_.size(); ++i)
    if (!dropped[i]) kept.push_back(std::move(copies_[i]));
  kept.push_back(fresh);
  copies_ = std::move(kept);
  ++nextId_;
  reindex();
  fileBytes_ = bytes.size();
  rewrite_ = false;
  held_.clear();  // the counts are in the copies just written
  return 0;
}

std::vector<KeptCopy> readKeptCopies(std::span<const std::uint8_t> bytes) {
  return readJournal(bytes).copies;
}

}  // namespace vorlix
