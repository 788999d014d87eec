// The Windows side of bench/run-instant: another program that keeps writing
// the entry vorlix.exe keeps deleting, and times how long each copy lives.
//
//   instant_bench store LEVEL            one active value rule, the priority
//                                        LEVEL (0-5), scanner on
//   instant_bench lifetimes COUNT SEED   re-creates the value COUNT times, each
//                                        at a random moment up to a second
//                                        after the last copy went; prints
//                                        "median p95 max" of the lifetimes, ms
//   instant_bench hammer SECONDS [MS]    re-creates the value (new data every
//                                        time) in a tight loop, or every MS
//                                        milliseconds; prints the number of
//                                        writes
//
// A copy's end is seen through a change notification of the key, not by
// polling, so the measuring adds no load of its own. Exit status 0 on
// success, 1 on a failure, 2 on a usage error.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/registry_settings_store.h"
#include "platform/win32/unique_handle.h"

namespace {

using vorlix::win32::unique_handle;
using vorlix::win32::unique_hkey;

constexpr wchar_t RuleKey[] = L"Software\\VorlixBench\\Instant";
constexpr wchar_t RuleValue[] = L"Recreated";
// The longest a copy may live: Very High deletes within a second.
constexpr DWORD GiveUpMs = 20000;

double nowMs() {
  static const double perMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / perMs;
}

void check(LSTATUS status, const char* call) {
  if (status != ERROR_SUCCESS) throw std::runtime_error(std::string(call) + " failed");
}

unique_hkey openRuleKey() {
  unique_hkey key;
  check(::RegCreateKeyExW(HKEY_CURRENT_USER, RuleKey, 0, nullptr, 0,
                          KEY_NOTIFY | KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.put(), nullptr),
        "RegCreateKeyExW");
  return key;
}

void storeLevel(const std::wstring& level) {
  (void)openRuleKey();
  vorlix::win32::RegistrySettingsStore store;
  store.writeSetting(L"StartUp", L"Reg", L"13", level);
  store.writeSetting(L"StartUp", L"Reg", L"Enabled", L"1");
  store.writeSetting(L"StartUp", L"Reg", L"1", L"1");
  store.writeSetting(L"StartUp", L"EnableKeys", L"1", L"1");
  store.writeSetting(L"StartUp", L"keydirs", L"1", RuleKey);
  store.writeSetting(L"StartUp", L"keynames", L"1", RuleValue);
}

bool valuePresent(HKEY key) {
  return ::RegQueryValueExW(key, RuleValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void watchValues(HKEY key, HANDLE event) {
  check(::RegNotifyChangeKeyValue(key, FALSE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
        "RegNotifyChangeKeyValue");
}

void setValue(HKEY key, const std::wstring& data) {
  check(::RegSetValueExW(key, RuleValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
        "RegSetValueExW");
}

// The moment the value is seen gone, watching the key meanwhile.
double waitUntilGone(HKEY key, HANDLE event) {
  const double giveUp = nowMs() + GiveUpMs;
  for (;;) {
    // Armed before the look, so a deletion right after it still wakes us.
    watchValues(key, event);
    const double lookedAt = nowMs();
    if (!valuePresent(key)) return lookedAt;
    if (::WaitForSingleObject(event, GiveUpMs) != WAIT_OBJECT_0 || nowMs() > giveUp)
      throw std::runtime_error("the value was not deleted");
  }
}

void lifetimes(int count, unsigned seed) {
  const unique_hkey key = openRuleKey();
  const unique_handle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!event) throw std::runtime_error("CreateEventW failed");
  std::mt19937 random(seed);
  std::uniform_int_distribution<DWORD> pause(0, 999);
  std::vector<double> lives;
  waitUntilGone(key.get(), event.get());
  for (int i = 0; i < count; ++i) {
    ::Sleep(pause(random));
    // Armed first: our own write signals it, and the wait below takes that.
    watchValues(key.get(), event.get());
    const double born = nowMs();
    setValue(key.get(), L"copy " + std::to_wstring(i));
    (void)::WaitForSingleObject(event.get(), GiveUpMs);
    lives.push_back(waitUntilGone(key.get(), event.get()) - born);
  }
  std::sort(lives.begin(), lives.end());
  const auto at = [&](double q) {
    return lives[static_cast<std::size_t>(q * static_cast<double>(lives.size() - 1) + 0.5)];
  };
  std::printf("%.1f %.1f %.1f\n", at(0.5), at(0.95), lives.back());
}

void hammer(int seconds, int pauseMs) {
  const unique_hkey key = openRuleKey();
  const double end = nowMs() + seconds * 1000.0;
  long long writes = 0;
  while (nowMs() < end) {
    // New data every time: a value set to what it holds is no change.
    setValue(key.get(), std::to_wstring(writes++));
    if (pauseMs > 0) ::Sleep(static_cast<DWORD>(pauseMs));
  }
  std::printf("%lld\n", writes);
}

int run(int argc, wchar_t** argv) {
  const std::wstring command = argv[1];
  if (command == L"store" && argc == 3) {
    storeLevel(argv[2]);
    return 0;
  }
  if (command == L"lifetimes" && argc == 4) {
    lifetimes(std::max(1, _wtoi(argv[2])), static_cast<unsigned>(_wtoi(argv[3])));
    return 0;
  }
  if (command == L"hammer" && (argc == 3 || argc == 4)) {
    hammer(std::max(1, _wtoi(argv[2])), argc == 4 ? std::max(0, _wtoi(argv[3])) : 0);
    return 0;
  }
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  try {
    return run(argc, argv);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "instant_bench: %s\n", failure.what());
    return 1;
  }
}
