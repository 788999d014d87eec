#include "ui/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vorlix::ui {
namespace {

const std::vector<PlacedControl>& controls() {
  static const std::vector<PlacedControl> all = layoutControls();
  return all;
}

const PlacedControl& byName(const std::wstring& name) {
  for (const PlacedControl& c : controls())
    if (c.name == name) return c;
  throw std::runtime_error("no control named " + std::string(name.begin(), name.end()));
}

TEST(Layout, EveryControlLiesInsideItsContainerAndTheGroupsInsideTheWindow) {
  const TwipRect client{0, 0, WindowClientWidth, WindowClientHeight};
  for (const PlacedControl& c : controls()) {
    SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
    if (c.containerId == 0) {
      EXPECT_TRUE(client.contains(c.inWindow));
      continue;
    }
    const auto container = std::find_if(controls().begin(), controls().end(),
                                        [&](const PlacedControl& g) { return g.id == c.containerId; });
    ASSERT_NE(container, controls().end());
    EXPECT_EQ(container->kind, ControlKind::GroupBox);
    const TwipRect groupClient{0, 0, container->inWindow.width, container->inWindow.height};
    EXPECT_TRUE(groupClient.contains(c.inContainer));
    EXPECT_EQ(c.inWindow.left, container->inWindow.left + c.inContainer.left);
    EXPECT_EQ(c.inWindow.top, container->inWindow.top + c.inContainer.top);
  }
}

TEST(Layout, NamesAndIdsAreUniqueAndIdsAvoidTheDialogManagersOkAndCancel) {
  std::set<std::wstring> names;
  std::set<int> ids;
  for (const PlacedControl& c : controls()) {
    EXPECT_TRUE(names.insert(c.name).second) << std::string(c.name.begin(), c.name.end());
    EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    EXPECT_GT(c.id, 2);
  }
}

TEST(Layout, TwelveRowsOfSevenControlsPlusTheOptionsAndTwoGroups) {
  std::map<ControlKind, int> counts;
  for (const PlacedControl& c : controls()) ++counts[c.kind];
  EXPECT_EQ(counts[ControlKind::GroupBox], 2);
  EXPECT_EQ(counts[ControlKind::DropDownList], 13);
  EXPECT_EQ(counts[ControlKind::CheckBox], 13);
  EXPECT_EQ(counts[ControlKind::TextBox], 24);
  EXPECT_EQ(counts[ControlKind::PushButton], 3);
  EXPECT_EQ(counts[ControlKind::Label], 37);
  for (int n = 1; n <= 37; ++n) EXPECT_EQ(byName(L"Label" + std::to_wstring(n)).kind, ControlKind::Label);
}

TEST(Layout, FocusOrderIsScannerThenEachRowsComboCheckNameKeyThenCancelOkCombo13) {
  std::vector<std::wstring> expected{L"scanenabled"};
  for (int n = 1; n <= 12; ++n) {
    const std::wstring s = std::to_wstring(n);
    expected.insert(expected.end(), {L"Combo" + s, L"Check" + s, L"name" + s, L"key" + s});
  }
  expected.insert(expected.end(), {L"cancel", L"ok", L"Combo13", L"deletedEntries"});

  std::vector<std::wstring> tabStops;
  bool pastTabStops = false;
  for (const PlacedControl& c : controls()) {
    if (!c.tabStop) {
      pastTabStops = true;
      continue;
    }
    // Creation order is the tab order, so nothing focusable may come late.
    EXPECT_FALSE(pastTabStops) << std::string(c.name.begin(), c.name.end());
    tabStops.push_back(c.name);
  }
  EXPECT_EQ(tabStops, expected);
}

TEST(Layout, GroupsComeLastSoTheyLieBeneathWhatTheyFrame) {
  const auto& all = controls();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2].kind, ControlKind::GroupBox);
  EXPECT_EQ(all[all.size() - 1].kind, ControlKind::GroupBox);
}

const PlacedControl& byId(int id) {
  for (const PlacedControl& c : controls())
    if (c.id == id) return c;
  throw std::runtime_error("no control " + std::to_string(id));
}

// Each part of a rule row stands one step below the same part of the row
// above, the steps equal to within three pixels at 96 DPI; every control of a row
// stands level with its own row's combo box and no other.
TEST(Layout, RuleRowsAreEvenlySpacedAndEachRowsControlsStandLevel) {
  for (int part = 0; part <= 6; ++part) {
    const auto top = [&](int n) { return byId(ids::row(n, static_cast<ids::RowPart>(part))).inWindow.top; };
    std::vector<int> steps;
    for (int n = 1; n < SlotCount; ++n) steps.push_back(top(n + 1) - top(n));
    const auto [low, high] = std::minmax_element(steps.begin(), steps.end());
    EXPECT_LE(*high - *low, 45) << "part " << part;
    for (int n = 1; n <= SlotCount; ++n)
      for (int m = 1; m <= SlotCount; ++m) {
        const TwipRect& a = byId(ids::row(n, static_cast<ids::RowPart>(part))).inWindow;
        const TwipRect& combo = byId(ids::row(m, ids::RowPart::Combo)).inWindow;
        EXPECT_EQ(a.top < combo.bottom() && combo.top < a.bottom(), n == m) << "part " << part << " of row " << n
                                                                            << ", combo of row " << m;
      }
  }
}

TEST(Layout, RowCaptionsEndJustBeforeTheirBoxAndAreRightAligned) {
  for (int n = 1; n <= 12; ++n) {
    const std::wstring s = std::to_wstring(n);
    const PlacedControl& keyCaption = byName(L"Label" + std::to_wstring(2 * n));
    const PlacedControl& nameCaption = byName(L"Label" + std::to_wstring(2 * n - 1));
    EXPECT_EQ(keyCaption.caption, L"Dir of key:");
    EXPECT_EQ(nameCaption.caption, L"Name:");
    EXPECT_EQ(keyCaption.align, TextAlign::Right);
    EXPECT_EQ(nameCaption.align, TextAlign::Right);
    // Within three pixels at 96 DPI.
    for (const auto& [caption, box] : {std::pair{&keyCaption, &byName(L"key" + s)}, {&nameCaption, &byName(L"name" + s)}}) {
      EXPECT_LE(caption->inContainer.right(), box->inContainer.left);
      EXPECT_GE(caption->inContainer.right(), box->inContainer.left - 45);
    }
    EXPECT_EQ(byName(L"Label" + std::to_wstring(25 + n)).caption, s + L")");
  }
}

constexpr int kDpis[] = {96, 120, 144, 168, 192, 288};

// In pixels at every DPI: every control inside the window, no two focusable
// controls overlapping.
TEST(Layout, AtEveryDpiControlsStayInsideTheWindowAndFocusableOnesDoNotOverlap) {
  std::vector<const PlacedControl*> focusable;
  for (const PlacedControl& c : controls())
    if (c.tabStop) focusable.push_back(&c);
  for (int dpi : kDpis) {
    const PixelRect client = toPixels({0, 0, WindowClientWidth, WindowClientHeight}, dpi);
    for (const PlacedControl& c : controls()) {
      const PixelRect p = toPixels(c.inWindow, dpi);
      EXPECT_TRUE(p.left >= 0 && p.top >= 0 && p.right <= client.right && p.bottom <= client.bottom)
          << std::string(c.name.begin(), c.name.end()) << " at " << dpi;
    }
    for (std::size_t i = 0; i < focusable.size(); ++i)
      for (std::size_t j = i + 1; j < focusable.size(); ++j) {
        const PixelRect a = toPixels(focusable[i]->inWindow, dpi);
        const PixelRect b = toPixels(focusable[j]->inWindow, dpi);
        const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
        EXPECT_FALSE(overlap) << std::string(focusable[i]->name.begin(), focusable[i]->name.end()) << " and "
                              << std::string(focusable[j]->name.begin(), focusable[j]->name.end()) << " at " << dpi;
      }
  }
}

TEST(Layout, ListsHoldTheirEntriesInOrder) {
  const std::vector<std::wstring_view> hives(listEntries(ListContents::Hives).begin(),
                                             listEntries(ListContents::Hives).end());
  const std::vector<std::wstring_view> levels(listEntries(ListContents::PriorityLevels).begin(),
                                              listEntries(ListContents::PriorityLevels).end());
  EXPECT_EQ(hives, (std::vector<std::wstring_view>{L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",
                                                   L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                                   L"HKEY_CURRENT_CONFIG"}));
  EXPECT_EQ(levels, (std::vector<std::wstring_view>{L"Very Low", L"Low", L"Middle", L"High",
                                                    L"Very High", L"Instant"}));
  EXPECT_TRUE(listEntries(ListContents::None).empty());
  for (int n = 1; n <= 12; ++n)
    EXPECT_EQ(byName(L"Combo" + std::to_wstring(n)).list, ListContents::Hives);
  EXPECT_EQ(byName(L"Combo13").list, ListContents::PriorityLevels);
}

struct PixelCase {
  int twips;
  int dpi;
  int pixels;
};
constexpr PixelCase kPixels[] = {
    {15, 96, 1},     {7, 96, 0},      {8, 96, 1},     {10260, 96, 684}, {6495, 96, 433},
    {10260, 144, 1026}, {6495, 144, 650}, {6495, 120, 541}, {195, 144, 20}, {-15, 96, -1},
    {-8, 96, -1},
};

class TwipsToPixels : public ::testing::TestWithParam<PixelCase> {};

TEST_P(TwipsToPixels, RoundsToTheNearestPixel) {
  EXPECT_EQ(twipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(Values, TwipsToPixels, ::testing::ValuesIn(kPixels));

TEST(TwipsToPixels, NeighboursThatTouchInTwipsStillTouchInPixels) {
  // key3's caption ends where a box 30 twips further would start; converting
  // edges keeps the gap instead of accumulating rounding.
  for (int dpi : {96, 120, 144, 192}) {
    const PixelRect a = toPixels({2865, 1095, 855, 255}, dpi);
    const PixelRect b = toPixels({3720, 1095, 30, 255}, dpi);
    EXPECT_EQ(a.right, b.left) << dpi;
  }
}

TEST(Menu, ConfigureThenExitWithIdsFromOne) {
  ASSERT_EQ(MenuItems.size(), 2u);
  EXPECT_EQ(MenuItems[0].caption, L"Configure");
  EXPECT_EQ(MenuItems[0].command, MenuCommand::Configure);
  EXPECT_EQ(MenuItems[1].caption, L"Exit");
  EXPECT_EQ(MenuItems[1].name, L"exit");
  EXPECT_EQ(static_cast<int>(MenuItems[0].command), 1);
  EXPECT_EQ(static_cast<int>(MenuItems[1].command), 2);
}

}  // namespace
}  // namespace vorlix::ui
