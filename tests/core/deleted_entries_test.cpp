#include "core/deleted_entries.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_archive_file.h"

namespace vorlix {
namespace {

using namespace std::chrono_literals;

struct Archive {
  MemoryArchiveFile file;
  KeptTime now{1'800'000'000s};
  DeletedEntries entries{file, 4096, [this] { return now += 1s; }};
};

const DeletedEntry Entry{Hive::CurrentUser, L"Software\\K", L"V \U0001F600", false};

std::vector<KeptValue> text(int b) { return {{Entry.value, 1, {static_cast<std::uint8_t>(b), 0, 0, 0}}}; }

TEST(DeletedEntries, KeepsEachNewContentDurablyAndCountsContentKeptAlready) {
  Archive a;
  a.entries.ruleInProgress(7);
  for (const int b : {1, 1, 2, 1, 1})
    EXPECT_EQ(a.entries.keep(Entry, text(b)), std::nullopt);
  // Two copies, each on the disk from the first time; repeats waited.
  const std::vector<KeptCopy> durable = readKeptCopies(a.file.durable);
  ASSERT_EQ(durable.size(), 2u);
  EXPECT_EQ(durable[0].values, text(1));
  EXPECT_EQ(durable[1].values, text(2));
  EXPECT_EQ(a.file.appends, 2);
  EXPECT_EQ(a.entries.copies()[0].count, 4u);
  a.entries.writeCounts();
  const std::vector<KeptCopy> read = readKeptCopies(a.file.bytes);
  EXPECT_EQ(read, a.entries.copies());
  EXPECT_EQ(read[0].rule, 7);
  EXPECT_EQ(read[0].entry, Entry);  // the name outside the BMP included
  EXPECT_EQ(read[0].count, 4u);
  EXPECT_EQ(read[0].last, a.now);

  // The next run finds them: content kept before is only counted.
  DeletedEntries again(a.file, 4096, [&] { return a.now; });
  EXPECT_EQ(again.keep(Entry, text(2)), std::nullopt);
  EXPECT_EQ(a.file.appends, 3);
  EXPECT_EQ(again.copies().size(), 2u);
}

TEST(DeletedEntries, StaysWithinItsBoundKeepingTheFirstCopyAndTheNewest) {
  Archive a;
  const DeletedEntry other{Hive::LocalMachine, L"K", L"W", false};
  EXPECT_EQ(a.entries.keep(other, {{L"W", 3, {9}}}), std::nullopt);
  for (int i = 0; i < 400; ++i) {
    EXPECT_EQ(a.entries.keep(Entry, {{Entry.value, 3, std::vector<std::uint8_t>(40, static_cast<std::uint8_t>(i))}}),
              std::nullopt);
    EXPECT_LE(a.file.bytes.size(), 4096u);
  }
  EXPECT_GT(a.file.replaces, 0);
  const std::vector<KeptCopy> read = readKeptCopies(a.file.bytes);
  ASSERT_GT(read.size(), 3u);
  EXPECT_EQ(read[0].entry, other);
  EXPECT_EQ(read[1].values[0].data[0], 0);  // what Entry held before its first deletion
  EXPECT_EQ(read.back().values[0].data[0], static_cast<std::uint8_t>(399));
  // A copy that could never fit is never kept, and so not deleted.
  EXPECT_EQ(a.entries.keep(Entry, {{Entry.value, 3, std::vector<std::uint8_t>(2100)}}),
            DeletionOutcome::notKept(0));
}

TEST(DeletedEntries, RefusesWhenTheFileFailsAndSkipsTornOrDamagedRecords) {
  Archive a;
  EXPECT_EQ(a.entries.keep(Entry, text(1)), std::nullopt);
  a.file.failWith = 112;  // the disk full, say
  EXPECT_EQ(a.entries.keep(Entry, text(2)), DeletionOutcome::notKept(112));
  a.file.failWith = 0;
  for (const int b : {2, 3}) EXPECT_EQ(a.entries.keep(Entry, text(b)), std::nullopt);
  // The first record damaged and the last torn: the one between is read.
  std::vector<std::uint8_t> bytes = a.file.bytes;
  bytes[24] ^= 0xFF;  // a letter of its key path
  bytes.resize(bytes.size() - 3);
  const std::vector<KeptCopy> read = readKeptCopies(bytes);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].values, text(2));
  // The next write rewrites the file whole, without the damage.
  a.file.bytes = bytes;
  const int replaces = a.file.replaces;
  DeletedEntries again(a.file, 4096);
  EXPECT_EQ(again.keep(Entry, text(4)), std::nullopt);
  EXPECT_EQ(a.file.replaces, replaces + 1);
  EXPECT_EQ(readKeptCopies(a.file.bytes).size(), 2u);
}

TEST(DeletedEntries, AFolderFoundInPlaceIsTrustedOnlyFromWhoCouldHaveMadeIt) {
  const std::wstring user = L"S-1-5-21-1-2-3-1001";
  for (const bool machine : {false, true}) {
    EXPECT_TRUE(isTrustedArchiveOwner(L"S-1-5-18", user, machine));      // SYSTEM
    EXPECT_TRUE(isTrustedArchiveOwner(L"S-1-5-32-544", user, machine));  // Administrators
    EXPECT_EQ(isTrustedArchiveOwner(user, user, machine), !machine);
    EXPECT_FALSE(isTrustedArchiveOwner(L"S-1-5-32-545", user, machine));  // Users
    EXPECT_FALSE(isTrustedArchiveOwner(L"S-1-5-21-1-2-3-1002", user, machine));
  }
  // Read by none but them, whatever the folder above allows.
  EXPECT_EQ(archiveFolderDescriptor(user, false), L"O:" + user + L"D:P(A;OICI;FA;;;" + user + L")");
  EXPECT_EQ(archiveFolderDescriptor(user, true), L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
}

}  // namespace
}  // namespace vorlix
