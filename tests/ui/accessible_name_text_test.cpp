#include "ui/accessible_name_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/text.h"
#include "ui/rule_tip_text.h"

namespace vorlix::ui {
namespace {

TEST(AccessibleName, EveryControlHasItsOwnAndARowsControlsNameTheirRow) {
  std::set<std::wstring> seen;
  int rowControls = 0;
  for (const PlacedControl& c : layoutControls()) {
    const std::wstring name = accessibleName(c);
    SCOPED_TRACE(asciiSummary(c.name) + ": " + asciiSummary(name));
    EXPECT_TRUE(seen.insert(name).second) << "named twice";
    const int row = ruleRowOf(c.id);
    EXPECT_EQ(row != 0, c.containerId == ids::Frame2);
    if (row == 0) continue;
    ++rowControls;
    EXPECT_TRUE(name == L"Rule " + std::to_wstring(row) || name.starts_with(L"Rule " + std::to_wstring(row) + L" "));
  }
  EXPECT_EQ(rowControls, 7 * SlotCount);
  for (const auto& [part, expected] : {std::pair{ids::RowPart::Combo, L"Rule 3 hive"}, {ids::RowPart::Key, L"Rule 3 key path"},
                                       {ids::RowPart::Name, L"Rule 3 value name"}, {ids::RowPart::Check, L"Rule 3 enabled"},
                                       {ids::RowPart::NumberLabel, L"Rule 3"}}) {
    PlacedControl c;
    c.id = ids::row(3, part);
    EXPECT_EQ(accessibleName(c), expected);
  }
}

}  // namespace
}  // namespace vorlix::ui
