// The configuration window as data: every control with its kind, caption,
// list and rectangle, in the window's own unit, twips (1440 to the inch).
// The Win32 window walks these tables to create and place its controls; the
// tables read like the screen they describe.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/controls.h"

namespace vorlix::ui {

inline constexpr int TwipsPerInch = 1440;

struct TwipRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  constexpr int right() const { return left + width; }
  constexpr int bottom() const { return top + height; }
  constexpr bool contains(const TwipRect& inner) const {
    return inner.left >= left && inner.top >= top && inner.right() <= right() &&
           inner.bottom() <= bottom();
  }
  bool operator==(const TwipRect&) const = default;
};

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  bool operator==(const PixelRect&) const = default;
};

// pixels = twips x dpi / 1440, to the nearest pixel (halves away from zero).
int twipsToPixels(int twips, int dpi);
// Converts the edges, not the size, so that controls that touch or share an
// edge in twips still do in pixels.
PixelRect toPixels(const TwipRect& rect, int dpi);

inline constexpr int WindowClientWidth = 10260;
inline constexpr int WindowClientHeight = 6495;
inline constexpr std::wstring_view WindowCaption = L"Configure";

enum class ControlKind : std::uint8_t { GroupBox, Label, CheckBox, DropDownList, TextBox, PushButton };
enum class TextAlign : std::uint8_t { Left, Right };
enum class ListContents : std::uint8_t { None, Hives, PriorityLevels };

// The five entries of a drop-down list, in list order (never sorted).
std::span<const std::wstring_view> listEntries(ListContents list);

// Control ids. None is 1 (IDOK) or 2 (IDCANCEL): the dialog manager sends
// those for Enter and Escape, and they must press nothing here.
namespace ids {
inline constexpr int Frame2 = 100;  // "Reg Keys To Delete"
inline constexpr int Frame1 = 101;  // "Program Options"
inline constexpr int scanenabled = 110;
inline constexpr int Label25 = 111;
inline constexpr int Combo13 = 113;
inline constexpr int ok = 114;
inline constexpr int cancel = 115;
inline constexpr int deletedEntries = 116;  // opens the view of the deleted entries

// Rule row N: ids 200 + 10 N + part.
enum class RowPart : int { Combo = 0, NumberLabel = 1, KeyCaption = 2, Key = 3, NameCaption = 4, Name = 5, Check = 6 };
constexpr int row(int slot, RowPart part) { return 200 + 10 * slot + static_cast<int>(part); }

constexpr int combo(int number) { return number == PriorityCombo ? Combo13 : row(number, RowPart::Combo); }
constexpr int checkBox(int number) { return number == ScannerBox ? scanenabled : row(number, RowPart::Check); }
constexpr int textBox(TextField field, int slot) {
  return row(slot, field == TextField::KeyPath ? RowPart::Key : RowPart::Name);
}
}  // namespace ids

// One control, placed.
struct PlacedControl {
  int id = 0;
  std::wstring name;  // the control's own identifier: "Combo1", "Label26", "ok"
  ControlKind kind = ControlKind::Label;
  std::wstring_view caption;
  ListContents list = ListContents::None;
  TextAlign align = TextAlign::Left;
  int containerId = 0;    // ids::Frame1, ids::Frame2, or 0 for the window itself
  TwipRect inContainer;   // as the tables give it
  TwipRect inWindow;      // in the window's client area
  bool tabStop = false;
};

// Every control of the window in creation order: the controls that take the
// focus first, in focus order (creation order is the tab order), then the
// labels, then the two groups, so the groups lie beneath what they frame.
std::vector<PlacedControl> layoutControls();

// The popup menu `menu`: never a menu bar, only the container of its items.
// Ids start at 1, since 0 means the popup was dismissed.
enum class MenuCommand : int { None = 0, Configure = 1, Exit = 2 };

struct MenuItem {
  MenuCommand command;
  std::wstring_view name;
  std::wstring_view caption;
};

inline constexpr std::wstring_view MenuName = L"menu";
inline constexpr std::array<MenuItem, 2> MenuItems{{
    {MenuCommand::Configure, L"Configure", L"Configure"},
    {MenuCommand::Exit, L"exit", L"Exit"},
}};

}  // namespace vorlix::ui
