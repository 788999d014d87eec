#include "core/archive_journal.h"

#include <algorithm>
#include <array>
#include <map>
#include <string>

#include "core/text.h"

namespace vorlix {
namespace {

constexpr std::array<std::uint8_t, 4> Magic{'V', 'K', 'C', '1'};
constexpr std::uint8_t CopyKind = 1, SeenKind = 2;
// Framing around a body: magic, length, checksum.
constexpr std::size_t Framing = 12;

constexpr std::array<std::uint32_t, 256> CrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (const std::uint8_t b : bytes) c = CrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::int64_t microseconds(KeptTime t) {
  return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}
KeptTime timeOf(std::int64_t us) {
  return KeptTime(std::chrono::duration_cast<KeptTime::duration>(std::chrono::microseconds(us)));
}

class Writer {
 public:
  void u8(std::uint8_t v) { bytes_.push_back(v); }
  void u32(std::uint32_t v) { little(v, 4); }
  void u64(std::uint64_t v) { little(v, 8); }
  void text(std::wstring_view t) {
    const std::u16string units = toUtf16(t);
    u32(static_cast<std::uint32_t>(units.size()));
    for (const char16_t u : units) little(u, 2);
  }
  void data(const std::vector<std::uint8_t>& d) {
    u32(static_cast<std::uint32_t>(d.size()));
    bytes_.insert(bytes_.end(), d.begin(), d.end());
  }
  // The body framed as a record.
  std::vector<std::uint8_t> record() const {
    Writer framed;
    framed.bytes_.assign(Magic.begin(), Magic.end());
    framed.u32(static_cast<std::uint32_t>(bytes_.size()));
    framed.bytes_.insert(framed.bytes_.end(), bytes_.begin(), bytes_.end());
    framed.u32(crc32(bytes_));
    return std::move(framed.bytes_);
  }

 private:
  void little(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  std::vector<std::uint8_t> bytes_;
};

// Reads a body; any read past its end marks it bad, and it is then dropped.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_ && at_ == bytes_.size(); }
  std::uint8_t u8() { return static_cast<std::uint8_t>(little(1)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(little(4)); }
  std::uint64_t u64() { return little(8); }
  std::wstring text() {
    const std::uint64_t n = u32();
    if (!fits(n * 2)) return {};
    std::u16string units(n, u'\0');
    for (char16_t& u : units) u = static_cast<char16_t>(little(2));
    return fromUtf16(units);
  }
  std::vector<std::uint8_t> data() {
    const std::uint64_t n = u32();
    if (!fits(n)) return {};
    const auto from = bytes_.begin() + static_cast<std::ptrdiff_t>(at_);
    at_ += n;
    return {from, from + static_cast<std::ptrdiff_t>(n)};
  }
  // Whether n more bytes are there; a count that could not fit stops the read.
  bool fits(std::uint64_t n) {
    ok_ = ok_ && n <= bytes_.size() - at_;
    return ok_;
  }

 private:
  std::uint64_t little(int n) {
    if (!fits(static_cast<std::uint64_t>(n))) return 0;
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(bytes_[at_++]) << (8 * i);
    return v;
  }
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

bool readCopy(Reader& r, KeptCopy& c) {
  c.id = r.u64();
  c.rule = r.u8();
  const std::uint8_t hive = r.u8();
  c.entry.root = static_cast<Hive>(hive);
  c.entry.isKey = r.u8() != 0;
  c.entry.key = r.text();
  c.entry.value = r.text();
  c.first = timeOf(static_cast<std::int64_t>(r.u64()));
  c.last = timeOf(static_cast<std::int64_t>(r.u64()));
  c.count = r.u64();
  const std::uint32_t values = r.u32();
  // Each value takes 12 bytes at least: no count can ask for more than is there.
  if (!r.fits(0) || hive >= Hives.size()) return false;
  for (std::uint32_t i = 0; i < values && r.fits(12); ++i) {
    KeptValue v;
    v.name = r.text();
    v.type = r.u32();
    v.data = r.data();
    c.values.push_back(std::move(v));
  }
  return r.ok() && (c.entry.isKey || c.values.size() == 1);
}

}  // namespace

std::vector<std::uint8_t> copyRecord(const KeptCopy& c) {
  Writer w;
  w.u8(CopyKind);
  w.u64(c.id);
  w.u8(static_cast<std::uint8_t>(c.rule));
  w.u8(static_cast<std::uint8_t>(c.entry.root));
  w.u8(c.entry.isKey ? 1 : 0);
  w.text(c.entry.key);
  w.text(c.entry.value);
  w.u64(static_cast<std::uint64_t>(microseconds(c.first)));
  w.u64(static_cast<std::uint64_t>(microseconds(c.last)));
  w.u64(c.count);
  w.u32(static_cast<std::uint32_t>(c.values.size()));
  for (const KeptValue& v : c.values) {
    w.text(v.name);
    w.u32(v.type);
    w.data(v.data);
  }
  return w.record();
}

std::vector<std::uint8_t> seenRecord(std::uint64_t id, int rule, std::uint64_t more, KeptTime last) {
  Writer w;
  w.u8(SeenKind);
  w.u64(id);
  w.u8(static_cast<std::uint8_t>(rule));
  w.u64(more);
  w.u64(static_cast<std::uint64_t>(microseconds(last)));
  return w.record();
}

JournalReading readJournal(std::span<const std::uint8_t> bytes) {
  JournalReading reading;
  std::map<std::uint64_t, KeptCopy> copies;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::span<const std::uint8_t> rest = bytes.subspan(at);
    std::uint64_t length = 0;
    if (rest.size() >= Framing) length = rest[4] | rest[5] << 8 | rest[6] << 16 | std::uint64_t{rest[7]} << 24;
    const bool framed = rest.size() >= Framing && std::equal(Magic.begin(), Magic.end(), rest.begin()) &&
                        length <= rest.size() - Framing;
    const std::span<const std::uint8_t> body = framed ? rest.subspan(8, length) : rest.first(0);
    Reader sum(framed ? rest.subspan(8 + length, 4) : rest.first(0));
    if (!framed || sum.u32() != crc32(body) || body.empty()) {
      // Not a whole record here: look for the next one a byte further on.
      reading.damaged = true;
      ++at;
      continue;
    }
    Reader r(body.subspan(1));
    bool good = false;
    if (body[0] == CopyKind) {
      KeptCopy c;
      good = readCopy(r, c);
      if (good) copies[c.id] = std::move(c);
    } else if (body[0] == SeenKind) {
      const std::uint64_t id = r.u64();
      const int rule = r.u8();
      const std::uint64_t more = r.u64();
      const KeptTime last = timeOf(static_cast<std::int64_t>(r.u64()));
      good = r.ok();
      if (const auto c = copies.find(id); good && c != copies.end()) {
        c->second.rule = rule;
        c->second.count += more;
        c->second.last = std::max(c->second.last, last);
      }
    }
    reading.damaged = reading.damaged || !good;
    at += Framing + length;
  }
  for (auto& [id, c] : copies) reading.copies.push_back(std::move(c));
  return reading;
}

}  // namespace vorlix
