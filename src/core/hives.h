// The registry's five hives: the one list that the hive selectors show,
// that a deletion path's root is read from, and that the deleter opens.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlix {

// A hive selector's ListIndex is a Hive.
enum class Hive : std::uint8_t { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

struct HiveNames {
  Hive hive;
  std::wstring_view name;       // as the selectors show it and paths begin
  std::wstring_view shortName;  // also read as a path's root, where there is one
};

inline constexpr std::array<HiveNames, 5> Hives{{
    {Hive::ClassesRoot, L"HKEY_CLASSES_ROOT", L"HKCR"},
    {Hive::CurrentUser, L"HKEY_CURRENT_USER", L"HKCU"},
    {Hive::LocalMachine, L"HKEY_LOCAL_MACHINE", L"HKLM"},
    {Hive::Users, L"HKEY_USERS", {}},
    {Hive::CurrentConfig, L"HKEY_CURRENT_CONFIG", {}},
}};

// The full names in list order, the entries of every hive selector.
inline constexpr std::array<std::wstring_view, Hives.size()> HiveList = [] {
  std::array<std::wstring_view, Hives.size()> names{};
  for (std::size_t i = 0; i < Hives.size(); ++i) names[i] = Hives[i].name;
  return names;
}();

constexpr bool hivesInListOrder() {
  for (std::size_t i = 0; i < Hives.size(); ++i)
    if (static_cast<std::size_t>(Hives[i].hive) != i) return false;
  return true;
}
static_assert(hivesInListOrder(), "a hive's position in Hives is its list index");

}  // namespace vorlix
