// The Windows side of bench/run-instant: another program that keeps writing
// the entry vorlix.exe keeps deleting, and times how long each copy lives.
//
//   instant_bench store LEVEL [SHAPE]    one active value rule, the priority
//                                        LEVEL (0-5), scanner on
//   instant_bench lifetimes COUNT SEED [SHAPE]
//                                        re-creates the value COUNT times, each
//                                        at a random moment up to a second
//                                        after the last copy went; prints
//                                        "median p95 max" of the lifetimes, ms
//   instant_bench hammer SECONDS [MS]    re-creates the value (new data every
//                                        time) in a tight loop, or every MS
//                                        milliseconds; prints the number of
//                                        writes
//
// SHAPE says what happens to the value's key around each copy:
//   stays    the key stays; only the value is written again, with new data
//            each time (the default): each deletion keeps a new copy
//   same     the same, with the same data each time: a copy kept already
//   key      the key is deleted and created again with the value, at once
//   path     the rule's key is two levels below the nearest key that exists:
//            both are created with the value, and deleted again once the
//            copy went, as if the rule had been set up before they existed
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

constexpr wchar_t BenchKey[] = L"Software\\VorlixBench";
constexpr wchar_t RuleKey[] = L"Software\\VorlixBench\\Instant";
// The path shape's: its first level is what goes between copies.
constexpr wchar_t PathTop[] = L"Software\\VorlixBench\\Later";
constexpr wchar_t PathKey[] = L"Software\\VorlixBench\\Later\\Deeper";
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

enum class Shape { Stays, Same, Key, Path };

Shape shapeNamed(const std::wstring& name) {
  if (name == L"stays") return Shape::Stays;
  if (name == L"same") return Shape::Same;
  if (name == L"key") return Shape::Key;
  if (name == L"path") return Shape::Path;
  throw std::invalid_argument("no such shape");
}

const wchar_t* ruleKey(Shape shape) { return shape == Shape::Path ? PathKey : RuleKey; }

unique_hkey createKey(const wchar_t* path) {
  unique_hkey key;
  check(::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0,
                          KEY_NOTIFY | KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key.put(), nullptr),
        "RegCreateKeyExW");
  return key;
}

void deleteTree(const wchar_t* path) {
  const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, path);
  if (status != ERROR_FILE_NOT_FOUND) check(status, "RegDeleteTreeW");
}

void storeLevel(const std::wstring& level, Shape shape) {
  (void)createKey(BenchKey);
  if (shape == Shape::Path) deleteTree(PathTop);
  vorlix::win32::RegistrySettingsStore store;
  store.writeSetting(L"StartUp", L"Reg", L"13", level);
  store.writeSetting(L"StartUp", L"Reg", L"Enabled", L"1");
  store.writeSetting(L"StartUp", L"Reg", L"1", L"1");
  store.writeSetting(L"StartUp", L"EnableKeys", L"1", L"1");
  store.writeSetting(L"StartUp", L"keydirs", L"1", ruleKey(shape));
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

void lifetimes(int count, unsigned seed, Shape shape) {
  const unique_handle event(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!event) throw std::runtime_error("CreateEventW failed");
  std::mt19937 random(seed);
  std::uniform_int_distribution<DWORD> pause(0, 999);
  std::vector<double> lives;
  if (shape != Shape::Path) waitUntilGone(createKey(RuleKey).get(), event.get());
  for (int i = 0; i < count; ++i) {
    ::Sleep(pause(random));
    if (shape == Shape::Key) deleteTree(RuleKey);
    const unique_hkey key = createKey(ruleKey(shape));
    // Armed first: our own write signals it, and the wait below takes that.
    watchValues(key.get(), event.get());
    const double born = nowMs();
    setValue(key.get(), shape == Shape::Same ? L"the same data" : L"copy " + std::to_wstring(i));
    (void)::WaitForSingleObject(event.get(), GiveUpMs);
    lives.push_back(waitUntilGone(key.get(), event.get()) - born);
    if (shape == Shape::Path) deleteTree(PathTop);
  }
  std::sort(lives.begin(), lives.end());
  const auto at = [&](double q) {
    return lives[static_cast<std::size_t>(q * static_cast<double>(lives.size() - 1) + 0.5)];
  };
  std::printf("%.1f %.1f %.1f\n", at(0.5), at(0.95), lives.back());
}

void hammer(int seconds, int pauseMs) {
  const unique_hkey key = createKey(RuleKey);
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
  if (command == L"store" && (argc == 3 || argc == 4)) {
    storeLevel(argv[2], shapeNamed(argc == 4 ? argv[3] : L"stays"));
    return 0;
  }
  if (command == L"lifetimes" && (argc == 4 || argc == 5)) {
    lifetimes(std::max(1, _wtoi(argv[2])), static_cast<unsigned>(_wtoi(argv[3])),
              shapeNamed(argc == 5 ? argv[4] : L"stays"));
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
  } catch (const std::invalid_argument&) {
    return 2;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "instant_bench: %s\n", failure.what());
    return 1;
  }
}
