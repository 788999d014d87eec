#include "ui/accessible_name_text.h"

#include <string_view>

#include "ui/rule_tip_text.h"

namespace vorlix::ui {
namespace {

using ids::RowPart;

struct RowPartName {
  RowPart part;
  std::wstring_view name;  // after "Rule N"; empty for the number label
};

// clang-format off
constexpr RowPartName kRowParts[] = {
    {RowPart::NumberLabel, L""},
    {RowPart::Combo,       L" hive"},
    {RowPart::KeyCaption,  L" Dir of key:"},
    {RowPart::Key,         L" key path"},
    {RowPart::NameCaption, L" Name:"},
    {RowPart::Name,        L" value name"},
    {RowPart::Check,       L" enabled"},
};

struct OptionName {
  int id;
  std::wstring_view name;
};

constexpr OptionName kOptions[] = {
    {ids::Frame2,      L"Rules: registry entries to delete"},
    {ids::Frame1,      L"Program options"},
    {ids::scanenabled, L"Scanner enabled"},
    {ids::Label25,     L"Priority:"},
    {ids::Combo13,     L"Priority"},
    {ids::ok,          L"OK"},
    {ids::cancel,      L"Cancel"},
    {ids::deletedEntries, L"Deleted entries"},
};
// clang-format on

}  // namespace

std::wstring accessibleName(const PlacedControl& control) {
  if (const int slot = ruleRowOf(control.id); slot != 0) {
    const auto part = static_cast<RowPart>((control.id - ids::row(slot, RowPart::Combo)));
    for (const RowPartName& p : kRowParts)
      if (p.part == part) return L"Rule " + std::to_wstring(slot) + std::wstring(p.name);
  }
  for (const OptionName& o : kOptions)
    if (o.id == control.id) return std::wstring(o.name);
  // A control the tables do not know keeps what it shows.
  return std::wstring(control.caption);
}

}  // namespace vorlix::ui
