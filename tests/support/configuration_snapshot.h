// The stored configuration's 50 addresses in load order, and what a
// configuration's controls hold at each, in stored form: written out
// independently of the layout, for tests that compare two configurations.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/controls.h"

namespace vorlix::test {

using Address = std::pair<std::wstring, std::wstring>;

inline const wchar_t* const kSlotKeys[] = {L"1", L"2", L"3", L"4",  L"5",  L"6",
                                           L"7", L"8", L"9", L"10", L"11", L"12"};

// The 50 addresses in the load order, written out independently of the code.
inline std::vector<Address> loadOrderAddresses() {
  std::vector<Address> out;
  for (const wchar_t* k : kSlotKeys) out.emplace_back(L"Reg", k);
  out.emplace_back(L"Reg", L"13");
  out.emplace_back(L"Reg", L"Enabled");
  for (const wchar_t* section : {L"EnableKeys", L"keydirs", L"keynames"})
    for (const wchar_t* k : kSlotKeys) out.emplace_back(section, k);
  return out;
}

// What the control behind an entry shows, in stored form.
inline std::wstring controlValue(const ConfigControls& c, const Address& a) {
  const auto& [section, key] = a;
  if (section == L"Reg" && key == L"13") return std::to_wstring(c.listIndex(PriorityCombo));
  if (section == L"Reg" && key == L"Enabled")
    return std::to_wstring(static_cast<int>(c.checkValue(ScannerBox)));
  const int slot = std::stoi(key);
  if (section == L"Reg") return std::to_wstring(c.listIndex(slot));
  if (section == L"EnableKeys") return std::to_wstring(static_cast<int>(c.checkValue(slot)));
  if (section == L"keydirs") return c.text(TextField::KeyPath, slot);
  return c.text(TextField::ValueName, slot);
}

inline std::vector<std::wstring> snapshot(const ConfigControls& c) {
  std::vector<std::wstring> out;
  for (const Address& a : loadOrderAddresses()) out.push_back(controlValue(c, a));
  return out;
}

}  // namespace vorlix::test
