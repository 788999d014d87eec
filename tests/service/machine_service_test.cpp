#include "service/machine_service.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/memory/manual_timer.h"
#include "platform/memory/memory_registry_watch.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/memory/recording_deleter.h"
#include "service/deletion_throttle.h"

namespace vorlix::service {
namespace {

constexpr std::uint64_t Minute = 60 * 1000;

struct Harness : EventLog, StoreGuard {
  MemorySettingsStore store;
  RecordingDeleter deleter;
  ManualTimer timer;
  MemoryRegistryWatch watch;
  std::uint64_t now = 1000;
  std::optional<std::wstring> writer;
  bool stray = false;
  std::vector<std::pair<ServiceEvent, std::wstring>> events;
  const std::wstring archive = L"C:\\ProgramData\\Vorlix\\deleted-entries.vdk";
  MachineService service{store, *this, deleter, timer, watch, *this, [this] { return now; }, archive};

  Harness() {
    timer.onFire = [this] { service.timerFired(); };
    watch.onChange = [this] { service.registryChanged(); };
  }
  void report(ServiceEvent event, std::wstring_view text) override {
    events.emplace_back(event, std::wstring(text));
  }
  std::optional<std::wstring> untrustedWriter() override { return writer; }
  bool strayStoreExists() override { return stray; }

  void rule(int slot, std::wstring_view key, std::wstring_view name) {
    const std::wstring n = std::to_wstring(slot);
    store.put(L"Reg", n, L"2");  // HKEY_LOCAL_MACHINE
    store.put(L"EnableKeys", n, L"1");
    store.put(L"keydirs", n, key);
    store.put(L"keynames", n, name);
  }
  // Deletions asked for since the last call.
  std::vector<std::wstring> takeCalls() { return std::exchange(deleter.calls, {}); }
  ServiceEvent lastEvent() const { return events.back().first; }
};

TEST(MachineService, AppliesOnlyWhatWasReadWhole) {
  Harness h;
  h.store.put(L"Reg", L"13", L"5");  // Instant
  h.rule(1, L"Software\\A", L"Updater");
  h.store.put(L"EnableKeys", L"12", L"yes");

  // Bad at start: nothing applies, and the log says so naming the entry.
  h.service.storeChanged();
  EXPECT_EQ(h.lastEvent(), ServiceEvent::BadEntry);
  EXPECT_NE(h.events.back().second.find(L"EnableKeys"), std::wstring::npos);
  EXPECT_NE(h.events.back().second.find(L"No machine rule applies"), std::wstring::npos);
  h.timer.advance(60 * Minute);
  h.watch.change();
  EXPECT_TRUE(h.takeCalls().empty());
  EXPECT_FALSE(h.service.configuration().applying());

  // Corrected: applied at once, one pass without waiting for the timer.
  h.store.put(L"EnableKeys", L"12", L"0");
  h.service.storeChanged();
  EXPECT_EQ(h.lastEvent(), ServiceEvent::ConfigurationRead);
  EXPECT_NE(h.events.back().second.find(L"1 active rule"), std::wstring::npos);
  EXPECT_EQ(h.takeCalls(), std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\A\\Updater"});
  EXPECT_TRUE(h.watch.armed());

  // A change whose later entry is bad: the read stopped after the new path
  // was taken in, and still the old rule alone goes on.
  h.rule(1, L"Software\\B", L"Updater");
  h.rule(2, L"Software\\C", L"Other");
  h.store.put(L"keynames", L"7", L"x");
  h.store.putUnreadable(L"keynames", L"8", L"a value of type REG_DWORD");
  h.service.storeChanged();
  EXPECT_EQ(h.lastEvent(), ServiceEvent::BadEntry);
  EXPECT_NE(h.events.back().second.find(L"goes on applying"), std::wstring::npos);
  h.watch.change();
  EXPECT_EQ(h.takeCalls(), std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\A\\Updater"});
  h.timer.advance(10000);
  EXPECT_EQ(h.takeCalls(), std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\A\\Updater"});

  // A store that others may write: nothing at all applies, not even the last.
  h.store.put(L"keynames", L"8", L"");
  h.writer = L"S-1-1-0 (access 0x00000002)";
  h.service.storeChanged();
  EXPECT_EQ(h.lastEvent(), ServiceEvent::InsecureStore);
  EXPECT_NE(h.events.back().second.find(*h.writer), std::wstring::npos);
  h.timer.advance(60 * Minute);
  EXPECT_TRUE(h.takeCalls().empty());

  h.writer.reset();
  h.service.storeChanged();
  EXPECT_EQ(h.events.back().second, L"The machine rules were read: 2 active rules.");
  EXPECT_EQ(h.takeCalls(), (std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\Software\\B\\Updater",
                                                       L"HKEY_LOCAL_MACHINE\\Software\\C\\Other"}));
}

TEST(MachineService, DeletionsAreToldOncePerRulePerHour) {
  Harness h;
  h.store.put(L"Reg", L"13", L"4");  // Very High: a pass a second
  h.rule(1, L"Software\\A", L"X");
  h.rule(2, L"Software\\A", L"Y");
  // Rule 2's entry comes back only in the first half hour.
  h.deleter.answer = [&h](std::wstring_view path) {
    const bool gone = path.ends_with(L"Y") && h.now > 1000 + 30 * Minute;
    return DeletionOutcome::of(gone ? DeletionOutcome::Kind::NotThere : DeletionOutcome::Kind::Deleted);
  };
  h.service.storeChanged();
  std::map<std::wstring, std::vector<std::wstring>> told;
  const auto collect = [&] {
    for (auto& [event, text] : h.events)
      if (event == ServiceEvent::Deletions) told[text.substr(0, text.find(L"\\Software\\A\\") + 13)].push_back(text);
    h.events.clear();
  };
  for (int second = 0; second < 3 * 3600; ++second) {
    h.now += 1000;
    h.timer.advance(1000);
  }
  collect();
  // X: at once, then each hour with the hour's count.
  const auto& x = told[L"Deleted HKEY_LOCAL_MACHINE\\Software\\A\\X"];
  ASSERT_EQ(x.size(), 4u);
  EXPECT_NE(x[0].find(L"(1 time since"), std::wstring::npos);
  EXPECT_NE(x[1].find(L"(3600 times since"), std::wstring::npos);
  // Y: at once, then what the first half hour brought, then nothing.
  const auto& y = told[L"Deleted HKEY_LOCAL_MACHINE\\Software\\A\\Y"];
  ASSERT_EQ(y.size(), 2u);
  EXPECT_NE(y[1].find(L": 1800 times"), std::wstring::npos);
}

// Rules a 32-bit program imported are pointed out, with the way to import
// them where the service reads, at start and at every read of the store,
// untrusted or not, while that key exists.
TEST(MachineService, RulesInTheWow64KeyAreToldAtEveryRead) {
  Harness h;
  const auto strayWarnings = [&h] {
    int n = 0;
    for (const auto& [event, text] : h.events)
      n += event == ServiceEvent::StrayStore &&
           text.find(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Vennik\\Vorlix") == 0 &&
           text.find(L"reg import FILE /reg:64") != std::wstring::npos;
    return n;
  };
  h.service.storeChanged();
  EXPECT_EQ(strayWarnings(), 0);
  h.stray = true;
  h.service.storeChanged();
  h.writer = L"S-1-1-0";
  h.service.storeChanged();
  EXPECT_EQ(strayWarnings(), 2);
  EXPECT_EQ(h.lastEvent(), ServiceEvent::InsecureStore);
  EXPECT_EQ(severityOf(ServiceEvent::StrayStore), Severity::Warning);
}

TEST(MachineService, DeletionEventsSayWhereTheCopiesAreAndEntriesNotKeptAreTold) {
  Harness h;
  h.store.put(L"Reg", L"13", L"4");  // Very High: a pass a second
  h.rule(1, L"Software\\A", L"X");
  h.rule(2, L"Software\\A", L"Y");
  h.deleter.answer = [](std::wstring_view path) {
    return path.ends_with(L"Y") ? DeletionOutcome::notKept(112) : DeletionOutcome::of(DeletionOutcome::Kind::Deleted);
  };
  h.service.storeChanged();
  for (int second = 0; second < 3600; ++second) {
    h.now += 1000;
    h.timer.advance(1000);
  }
  std::vector<std::wstring> deleted, notKept;
  for (const auto& [event, text] : h.events) {
    if (event == ServiceEvent::Deletions) deleted.push_back(text);
    if (event == ServiceEvent::Failure) notKept.push_back(text);
  }
  ASSERT_EQ(deleted.size(), 2u);
  for (const std::wstring& text : deleted) {
    EXPECT_NE(text.find(L"kept in " + h.archive), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"vorlix-service.exe export FILE"), std::wstring::npos) << text;
  }
  // Y stays, and the administrator learns why, once in the hour and again after it.
  ASSERT_EQ(notKept.size(), 2u);
  EXPECT_NE(notKept[0].find(L"Not deleted: HKEY_LOCAL_MACHINE\\Software\\A\\Y"), std::wstring::npos) << notKept[0];
  EXPECT_NE(notKept[0].find(L"error 112"), std::wstring::npos) << notKept[0];
}

TEST(DeletionThrottle, CountsBetweenReports) {
  DeletionThrottle throttle;
  EXPECT_EQ(throttle.deleted(L"a", 0), 1u);
  EXPECT_EQ(throttle.deleted(L"b", 5), 1u);
  EXPECT_EQ(throttle.deleted(L"a", 10), std::nullopt);
  EXPECT_EQ(throttle.deleted(L"a", ReportSpacing - 1), std::nullopt);
  EXPECT_TRUE(throttle.due(ReportSpacing - 1).empty());
  EXPECT_EQ(throttle.deleted(L"a", ReportSpacing), 3u);
  // b has nothing waiting: forgotten, and its next deletion is told at once.
  EXPECT_TRUE(throttle.due(ReportSpacing + 5).empty());
  EXPECT_EQ(throttle.deleted(L"b", ReportSpacing + 6), 1u);
  EXPECT_EQ(throttle.deleted(L"a", ReportSpacing + 7), std::nullopt);
  const std::vector<DeletionReport> due = throttle.due(2 * ReportSpacing);
  ASSERT_EQ(due.size(), 1u);
  EXPECT_EQ(due[0].rule, L"a");
  EXPECT_EQ(due[0].count, 1u);
}

}  // namespace
}  // namespace vorlix::service
