#include "ui/layout.h"

#include "core/rules.h"
#include "core/scan_timing.h"
#include "core/unexpected_failure.h"

namespace vorlix::ui {
namespace {

using ids::RowPart;

// Each line of the tables below is a placement: a control's or a column's
// kind, caption and rectangle in twips, as the window has always had them.
struct GroupPlacement {
  int id;
  std::wstring_view name;
  std::wstring_view caption;
  TwipRect rect;  // in the window
};

constexpr GroupPlacement kFrame2{ids::Frame2, L"Frame2", L"Reg Keys To Delete", {120, 120, 9855, 5280}};
constexpr GroupPlacement kFrame1{ids::Frame1, L"Frame1", L"Program Options", {105, 5490, 9870, 915}};

// Frame1, the program options.
struct OptionPlacement {
  int id;
  std::wstring_view name;
  ControlKind kind;
  std::wstring_view caption;
  ListContents list;
  TwipRect rect;  // in Frame1
};

// clang-format off
constexpr OptionPlacement kOptions[] = {
    // id                name            kind                       caption              list                          left  top  width height
    {ids::scanenabled, L"scanenabled", ControlKind::CheckBox,     L"Scanner Enabled", ListContents::None,           {240,  360, 1605, 375}},
    {ids::Label25,     L"Label25",     ControlKind::Label,        L"Priority:",       ListContents::None,           {2115, 435,  645, 330}},
    {ids::Combo13,     L"Combo13",     ControlKind::DropDownList, L"",                ListContents::PriorityLevels, {2700, 390, 2235, 315}},
    {ids::ok,          L"ok",          ControlKind::PushButton,   L"OK",              ListContents::None,           {5310, 300, 1815, 495}},
    {ids::cancel,      L"cancel",      ControlKind::PushButton,   L"CANCEL",          ListContents::None,           {7455, 300, 1815, 495}},
};

// The columns of every rule row in Frame2. A row's controls sit at its top
// T(N) plus the offset; the number label and name9 differ per row (below).
struct ColumnPlacement {
  RowPart part;
  ControlKind kind;
  std::wstring_view caption;
  ListContents list;
  TextAlign align;  // the captions end 30 twips before their box: right-aligned
  int left;
  int topOffset;
  int width;
  int height;
};

constexpr ColumnPlacement kColumns[] = {
    // part                 kind                       caption         list                  align             left  T+  width height
    {RowPart::NumberLabel, ControlKind::Label,        L"",            ListContents::None,  TextAlign::Left,    0,   0,  240, 300},
    {RowPart::Combo,       ControlKind::DropDownList, L"",            ListContents::Hives, TextAlign::Left,  480,   0, 2415, 315},
    {RowPart::KeyCaption,  ControlKind::Label,        L"Dir of key:", ListContents::None,  TextAlign::Right, 2865, 30,  855, 255},
    {RowPart::Key,         ControlKind::TextBox,      L"",            ListContents::None,  TextAlign::Left,  3750,  0, 3060, 285},
    {RowPart::NameCaption, ControlKind::Label,        L"Name:",       ListContents::None,  TextAlign::Right, 6780, 30,  615, 255},
    {RowPart::Name,        ControlKind::TextBox,      L"",            ListContents::None,  TextAlign::Left,     0,  0, 1230, 285},
    {RowPart::Check,       ControlKind::CheckBox,     L"Enabled",     ListContents::None,  TextAlign::Left,  8775, 30,  975, 195},
};

struct RowPlacement {
  int top;  // T(N)
  std::wstring_view numberCaption;
  int numberLeft;
  int numberTop;
  int nameLeft;
  int numberLabel;  // LabelNN of the number, the key caption and the name caption
  int keyCaptionLabel;
  int nameCaptionLabel;
};

constexpr std::array<RowPlacement, SlotCount> kRows{{
    // T(N)  caption  left  top   name left  number  key  name
    {240,  L"1)",  200,  300, 7425, 26,  2,  1},
    {660,  L"2)",  200,  720, 7425, 27,  4,  3},
    {1065, L"3)",  200, 1110, 7425, 28,  6,  5},
    {1485, L"4)",  200, 1545, 7425, 29,  8,  7},
    {1905, L"5)",  200, 1935, 7425, 30, 10,  9},
    {2325, L"6)",  200, 2340, 7425, 31, 12, 11},
    {2745, L"7)",  200, 2760, 7425, 32, 14, 13},
    {3165, L"8)",  200, 3180, 7425, 33, 16, 15},
    {3570, L"9)",  200, 3585, 7440, 34, 18, 17},
    {3990, L"10)", 100, 3990, 7425, 35, 20, 19},
    {4410, L"11)", 100, 4425, 7425, 36, 22, 21},
    {4830, L"12)", 100, 4830, 7425, 37, 24, 23},
}};

// The tab key's order: the scanner box, then per row its hive selector,
// enable box, value name and key path (the name before the key, although it
// stands to its right), then cancel, ok and the priority selector.
constexpr RowPart kRowFocusOrder[] = {RowPart::Combo, RowPart::Check, RowPart::Name, RowPart::Key};
constexpr int kOptionsFocusOrderAfterRows[] = {ids::cancel, ids::ok, ids::Combo13};

// Added later, where nothing stood: in the gap between the two groups, on
// Program Options' top edge above CANCEL; focused after all the others.
constexpr GroupPlacement kDeletedEntriesButton{ids::deletedEntries, L"deletedEntries", L"&Deleted entries...",
                                               {7560, 5415, 1815, 345}};
// clang-format on

TwipRect offset(const TwipRect& rect, const TwipRect& container) {
  return {container.left + rect.left, container.top + rect.top, rect.width, rect.height};
}

PlacedControl placeOption(const OptionPlacement& placement) {
  PlacedControl c;
  c.id = placement.id;
  c.name = placement.name;
  c.kind = placement.kind;
  c.caption = placement.caption;
  c.list = placement.list;
  c.containerId = kFrame1.id;
  c.inContainer = placement.rect;
  c.inWindow = offset(placement.rect, kFrame1.rect);
  c.tabStop = placement.kind != ControlKind::Label;
  return c;
}

const OptionPlacement& option(int id) {
  for (const OptionPlacement& placement : kOptions)
    if (placement.id == id) return placement;
  unreachable("an option the table does not hold");
}

std::wstring rowControlName(RowPart part, int slot, const RowPlacement& row) {
  const std::wstring n = std::to_wstring(slot);
  switch (part) {
    case RowPart::Combo: return L"Combo" + n;
    case RowPart::Check: return L"Check" + n;
    case RowPart::Key: return L"key" + n;
    case RowPart::Name: return L"name" + n;
    case RowPart::NumberLabel: return L"Label" + std::to_wstring(row.numberLabel);
    case RowPart::KeyCaption: return L"Label" + std::to_wstring(row.keyCaptionLabel);
    case RowPart::NameCaption: return L"Label" + std::to_wstring(row.nameCaptionLabel);
  }
  unreachable("a row part without a control name");
}

PlacedControl placeRowControl(const ColumnPlacement& column, int slot) {
  const RowPlacement& row = kRows[static_cast<std::size_t>(slot - 1)];
  PlacedControl c;
  c.id = ids::row(slot, column.part);
  c.name = rowControlName(column.part, slot, row);
  c.kind = column.kind;
  c.caption = column.part == RowPart::NumberLabel ? row.numberCaption : column.caption;
  c.list = column.list;
  c.align = column.align;
  c.containerId = kFrame2.id;
  c.inContainer = {column.left, row.top + column.topOffset, column.width, column.height};
  if (column.part == RowPart::NumberLabel) {
    c.inContainer.left = row.numberLeft;
    c.inContainer.top = row.numberTop;
  }
  if (column.part == RowPart::Name) c.inContainer.left = row.nameLeft;
  c.inWindow = offset(c.inContainer, kFrame2.rect);
  c.tabStop = column.kind != ControlKind::Label;
  return c;
}

const ColumnPlacement& column(RowPart part) {
  for (const ColumnPlacement& placement : kColumns)
    if (placement.part == part) return placement;
  unreachable("a row part without a column");
}

PlacedControl placeGroup(const GroupPlacement& group) {
  PlacedControl c;
  c.id = group.id;
  c.name = group.name;
  c.kind = ControlKind::GroupBox;
  c.caption = group.caption;
  c.inContainer = group.rect;
  c.inWindow = group.rect;
  return c;
}

}  // namespace

int twipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = TwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / TwipsPerInch
                                      : -((-scaled + half) / TwipsPerInch));
}

PixelRect toPixels(const TwipRect& rect, int dpi) {
  return {twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi),
          twipsToPixels(rect.right(), dpi), twipsToPixels(rect.bottom(), dpi)};
}

static_assert(HiveList.size() == HiveItemCount && PriorityTable.size() == PriorityItemCount,
              "the selectors take the indexes of their lists");

std::span<const std::wstring_view> listEntries(ListContents list) {
  static constexpr std::array<std::wstring_view, PriorityTable.size()> levels = [] {
    std::array<std::wstring_view, PriorityTable.size()> names{};
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = PriorityTable[i].name;
    return names;
  }();
  switch (list) {
    case ListContents::Hives: return HiveList;
    case ListContents::PriorityLevels: return levels;
    case ListContents::None: break;
  }
  return {};
}

std::vector<PlacedControl> layoutControls() {
  std::vector<PlacedControl> controls;
  controls.push_back(placeOption(option(ids::scanenabled)));
  for (int slot = 1; slot <= SlotCount; ++slot)
    for (RowPart part : kRowFocusOrder) controls.push_back(placeRowControl(column(part), slot));
  for (int id : kOptionsFocusOrderAfterRows) controls.push_back(placeOption(option(id)));
  PlacedControl deletedEntries = placeGroup(kDeletedEntriesButton);
  deletedEntries.kind = ControlKind::PushButton;
  deletedEntries.tabStop = true;
  controls.push_back(deletedEntries);

  for (int slot = 1; slot <= SlotCount; ++slot)
    for (const ColumnPlacement& placement : kColumns)
      if (placement.kind == ControlKind::Label) controls.push_back(placeRowControl(placement, slot));
  controls.push_back(placeOption(option(ids::Label25)));

  controls.push_back(placeGroup(kFrame2));
  controls.push_back(placeGroup(kFrame1));
  return controls;
}

}  // namespace vorlix::ui
