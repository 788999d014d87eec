// The view of the deleted entries, opened from the configuration window: a
// dialog with the list of kept copies and its buttons, as data in twips
// like the window's own tables, and the texts each row and question shows.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/kept_copies.h"
#include "core/local_time.h"
#include "ui/layout.h"

namespace vorlix::ui {

inline constexpr std::wstring_view ViewCaption = L"Deleted entries";
inline constexpr int ViewClientWidth = 9600;
inline constexpr int ViewClientHeight = 5160;

namespace view_ids {
inline constexpr int ListLabel = 300;
inline constexpr int List = 301;
inline constexpr int Restore = 302;
inline constexpr int Export = 303;
inline constexpr int Close = 2;  // IDCANCEL: Escape and the close box press it
}  // namespace view_ids

enum class ViewControlKind : std::uint8_t { Label, List, PushButton };

struct ViewControl {
  int id;
  ViewControlKind kind;
  std::wstring_view caption;  // "&" marks the access key
  std::wstring_view name;     // for screen readers
  TwipRect rect;
};

// In creation order, which is the tab order; the label goes just before the
// list, so that its access key reaches the list.
// clang-format off
inline constexpr std::array<ViewControl, 5> ViewControls{{
    // id                    kind                         caption                name                      left   top  width height
    {view_ids::ListLabel, ViewControlKind::Label,      L"&Deleted entries:",  L"Deleted entries:",      {120,   120, 3000,  255}},
    {view_ids::List,      ViewControlKind::List,       L"",                   L"Deleted entries",       {120,   390, 9360, 4140}},
    {view_ids::Restore,   ViewControlKind::PushButton, L"&Restore...",        L"Restore",               {120,  4650, 1815,  390}},
    {view_ids::Export,    ViewControlKind::PushButton, L"&Export...",         L"Export",                {2055, 4650, 1815,  390}},
    {view_ids::Close,     ViewControlKind::PushButton, L"Close",              L"Close",                 {7665, 4650, 1815,  390}},
}};

struct ViewColumn {
  std::wstring_view caption;
  int width;  // twips
};

inline constexpr std::array<ViewColumn, 6> ViewColumns{{
    {L"Rule", 540}, {L"Entry", 2760}, {L"First deleted", 1770}, {L"Last deleted", 1770},
    {L"Times", 630}, {L"Data", 1620},
}};
// clang-format on

// The cells of one copy's row, column by column; times as the user's clock
// shows them (`local` turns a moment into that).
std::array<std::wstring, ViewColumns.size()> viewRow(const KeptCopy& copy,
                                                     LocalTime (*local)(KeptTime) = nullptr);

// A copy's data in a few words: the text, the number, the first bytes, or
// for a key how many values it held.
std::wstring dataInShort(const KeptCopy& copy);

// The entry's full path as a rule would name it: a key ends in "\".
std::wstring entryPath(const DeletedEntry& entry);

// What Restore asks before it writes the copy back.
std::wstring restoreQuestion(const KeptCopy& copy);

}  // namespace vorlix::ui
