// A save stopped after any number of writes, as when the process is killed
// in the middle of it: every entry still holds its old or its new text, no
// stored rule is enabled with parts of two configurations, and the store
// loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/memory_controls.h"
#include "settings/configuration_io.h"

namespace vorlix {
namespace {

// The 50 entries by their place in the load order.
constexpr int Entries = 50;
using Config = std::array<std::wstring, Entries>;
const std::wstring Absent = L"<absent>";
const std::wstring NotText = L"<not text>";

int reg(int slot) { return slot - 1; }  // the hive of rule `slot`
constexpr int Priority = 12, Switch = 13;
int enable(int slot) { return 13 + slot; }
int keyPath(int slot) { return 25 + slot; }
int valueName(int slot) { return 37 + slot; }

int indexOf(std::wstring_view section, std::wstring_view key) {
  static const std::map<std::pair<std::wstring, std::wstring>, int> index = [] {
    std::map<std::pair<std::wstring, std::wstring>, int> out;
    for (const SettingsEntry& e : loadOrder())
      out.emplace(std::pair{std::wstring(e.section()), e.key()}, static_cast<int>(out.size()));
    return out;
  }();
  return index.at({std::wstring(section), std::wstring(key)});
}

struct Cut {};  // the process ends here

// Holds one configuration, throws Cut at the write after `writesLeft`.
struct CuttingStore final : SettingsStore {
  Config values;
  int writesLeft = -1;  // -1: never cut
  std::function<void(int written)> beforeWrite;
  std::vector<int> written;

  std::wstring readSetting(std::wstring_view, std::wstring_view section, std::wstring_view key,
                           std::wstring_view fallback) override {
    const std::wstring& v = values[static_cast<std::size_t>(indexOf(section, key))];
    if (v == NotText) throw SettingsStoreError(SettingsStoreError::Kind::UnreadableValue, L"REG_BINARY");
    return v == Absent ? std::wstring(fallback) : v;
  }
  void writeSetting(std::wstring_view, std::wstring_view section, std::wstring_view key,
                    std::wstring_view value) override {
    if (beforeWrite) beforeWrite(static_cast<int>(written.size()));
    if (writesLeft-- == 0) throw Cut{};
    const int at = indexOf(section, key);
    values[static_cast<std::size_t>(at)] = value;
    written.push_back(at);
  }
  std::wstring location(std::wstring_view, std::wstring_view) const override { return L"cut"; }
};

std::wstring defaultOf(int at) {
  return at < Priority ? L"-1" : at == Priority ? L"2" : at == Switch ? L"1" : at <= enable(12) ? L"0" : L"";
}

// Each entry as the next start reads it.
std::wstring effective(const Config& c, int at) {
  const std::wstring& v = c[static_cast<std::size_t>(at)];
  return v == Absent ? defaultOf(at) : v;
}

std::array<std::wstring, 3> partsOf(const Config& c, int slot) {
  return {effective(c, reg(slot)), effective(c, keyPath(slot)), effective(c, valueName(slot))};
}

bool enabledIn(const Config& c, int slot) { return effective(c, enable(slot)) == L"1"; }

struct Pair {
  Config old, fresh;  // `fresh` is what the window shows
  bool onOk;
  int editBeforeWrite = -1;  // a part typed into the window while the save runs
  int editAt = 0;
};

const wchar_t* const KeyPool[] = {L"", L"Software\\A", L"Software\\B", L"Software\\Ünï"};
const wchar_t* const NamePool[] = {L"", L"x", L"y", L"名前"};
const std::wstring Typed = L"typed meanwhile";

Pair randomPair(std::mt19937& rng) {
  const auto pick = [&](int count) { return static_cast<int>(rng() % static_cast<unsigned>(count)); };
  const auto randomRule = [&](Config& c, int slot, int parts) {
    if (parts & 1) c[reg(slot)] = std::to_wstring(pick(6) - 1);
    if (parts & 2) c[keyPath(slot)] = KeyPool[pick(4)];
    if (parts & 4) c[valueName(slot)] = NamePool[pick(4)];
    if (parts & 8) c[enable(slot)] = std::to_wstring(pick(4) == 0 ? pick(3) : 1);
  };
  Pair p;
  p.onOk = pick(2) == 0;
  for (int slot = 1; slot <= SlotCount; ++slot) randomRule(p.old, slot, 15);
  p.old[Priority] = std::to_wstring(pick(6) - 1);
  p.old[Switch] = std::to_wstring(pick(3));
  p.fresh = p.old;
  // Mostly a few rules change, in one part or several; now and then only
  // enable boxes and options do.
  const bool onlyEnableBoxes = pick(6) == 0;
  for (int slot = 1; slot <= SlotCount; ++slot)
    if (pick(2) == 0) randomRule(p.fresh, slot, onlyEnableBoxes ? 8 : pick(16));
  p.fresh[Priority] = std::to_wstring(pick(6) - 1);
  // Entries that hold their default may be absent; one may hold no text.
  for (int at = 0; at < Entries; ++at)
    if (p.old[static_cast<std::size_t>(at)] == defaultOf(at) && pick(2) == 0) p.old[static_cast<std::size_t>(at)] = Absent;
  if (pick(8) == 0) p.old[static_cast<std::size_t>(enable(1) + pick(36))] = NotText;
  if (pick(4) == 0) {
    p.editBeforeWrite = pick(50);
    p.editAt = pick(2) == 0 ? keyPath(1 + pick(12)) : valueName(1 + pick(12));
  }
  return p;
}

void show(ConfigControls& controls, const Config& c) {
  for (int slot = 1; slot <= SlotCount; ++slot) {
    controls.setListIndex(slot, *parseInteger(c[reg(slot)]));
    controls.setCheckValue(slot, static_cast<CheckState>(*parseInteger(c[enable(slot)])));
    controls.setText(TextField::KeyPath, slot, c[keyPath(slot)]);
    controls.setText(TextField::ValueName, slot, c[valueName(slot)]);
  }
  controls.setListIndex(PriorityCombo, *parseInteger(c[Priority]));
  controls.setCheckValue(ScannerBox, static_cast<CheckState>(*parseInteger(c[Switch])));
}

CuttingStore saveCutAfter(const Pair& p, int writes) {
  CuttingStore store;
  store.values = p.old;
  store.writesLeft = writes;
  MemoryControls controls;
  show(controls, p.fresh);
  store.beforeWrite = [&](int written) {
    if (written != p.editBeforeWrite) return;
    const bool isKey = p.editAt <= keyPath(12);
    controls.setText(isKey ? TextField::KeyPath : TextField::ValueName, p.editAt - (isKey ? 25 : 37), Typed);
  };
  try {
    writeConfiguration(store, RuleTable(controls), ProgramOptions(controls), p.onOk ? okOrder() : loadOrder());
    store.writesLeft = -2;  // finished
  } catch (const Cut&) {
  }
  store.beforeWrite = nullptr;
  return store;
}

TEST(InterruptedSave_EveryCutPoint, LeavesEachEntryOldOrNewAndNoRuleEnabledWithMixedParts) {
  std::mt19937 rng(20261207);
  int cuts = 0, saves = 0, savesChangingNoRule = 0;
  for (int pairNumber = 0; pairNumber < 150; ++pairNumber) {
    const Pair p = randomPair(rng);
    SCOPED_TRACE("pair " + std::to_string(pairNumber));
    Config edited = p.fresh;
    if (p.editBeforeWrite >= 0) edited[static_cast<std::size_t>(p.editAt)] = Typed;

    for (int k = 0;; ++k) {
      const CuttingStore cut = saveCutAfter(p, k);
      const Config& now = cut.values;
      for (int at = 0; at < Entries; ++at) {
        const std::wstring& v = now[static_cast<std::size_t>(at)];
        const bool oldOrNew = v == p.old[static_cast<std::size_t>(at)] || v == p.fresh[static_cast<std::size_t>(at)] ||
                              v == edited[static_cast<std::size_t>(at)] || (at >= enable(1) && at <= enable(12) && v == L"0");
        ASSERT_TRUE(oldOrNew) << "cut after " << k << " writes: entry " << at << " = " << asciiSummary(v);
      }
      for (int slot = 1; slot <= SlotCount; ++slot) {
        if (!enabledIn(now, slot)) continue;
        const auto parts = partsOf(now, slot);
        const bool whole = (enabledIn(p.old, slot) && parts == partsOf(p.old, slot)) ||
                           (enabledIn(p.fresh, slot) && (parts == partsOf(p.fresh, slot) || parts == partsOf(edited, slot)));
        ASSERT_TRUE(whole) << "cut after " << k << " writes: rule " << slot << " enabled with mixed parts";
      }
      if (std::find(now.begin(), now.end(), NotText) == now.end()) {
        CuttingStore next;
        next.values = now;
        MemoryControls controls;
        ProgramOptions options(controls);
        ASSERT_NO_THROW(readConfiguration(next, RuleTable(controls), options)) << "cut after " << k << " writes";
      }
      if (cut.writesLeft != -2) {
        ++cuts;
        continue;
      }

      ++saves;
      // The edited part is stored as typed unless it was written before the edit.
      Config whole = p.fresh;
      if (p.editBeforeWrite >= 0 && now[static_cast<std::size_t>(p.editAt)] == Typed) whole[static_cast<std::size_t>(p.editAt)] = Typed;
      for (int at = 0; at < Entries; ++at) EXPECT_EQ(effective(now, at), effective(whole, at)) << "entry " << at;
      bool anyRuleChanges = p.editBeforeWrite >= 0 || std::find(p.old.begin(), p.old.end(), NotText) != p.old.end();
      for (int slot = 1; slot <= SlotCount; ++slot) anyRuleChanges |= partsOf(p.old, slot) != partsOf(p.fresh, slot);
      if (!anyRuleChanges) {
        std::vector<int> plain;
        for (const SettingsEntry& e : p.onOk ? okOrder() : loadOrder()) plain.push_back(indexOf(e.section(), e.key()));
        EXPECT_EQ(cut.written, plain) << "a save that changes no rule writes the plain order";
        ++savesChangingNoRule;
      }
      break;
    }
  }
  EXPECT_EQ(saves, 150);
  EXPECT_GT(cuts, 150 * 50);
  EXPECT_GT(savesChangingNoRule, 5) << "the generator should also give saves that change no rule";
}

}  // namespace
}  // namespace vorlix
