#include "platform/win32/deleted_entries_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "core/reg_file.h"
#include "platform/win32/accessible_names.h"
#include "platform/win32/archive_file.h"
#include "platform/win32/check.h"
#include "platform/win32/kept_copy_restore.h"
#include "ui/deleted_entries_view.h"

namespace vorlix::win32 {
namespace {

namespace ids = ui::view_ids;

constexpr wchar_t BoxTitle[] = L"Vorlix";
constexpr DWORD DialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// A dialog without controls in its template: they are made from the table.
struct alignas(4) EmptyTemplate {
  DLGTEMPLATE dialog;
  WORD menu = 0, windowClass = 0, title = 0;
};

struct View {
  View(int dpi, HFONT font, DeletedEntries& entries, ConfigControls& controls)
      : dpi(dpi), font(font), entries(entries), controls(controls) {}
  int dpi;
  HFONT font;
  DeletedEntries& entries;
  ConfigControls& controls;
  HWND dialog = nullptr;
  std::vector<KeptCopy> copies;  // as the list shows them, by item data
  std::optional<AccessibleNames> names;
};

int px(const View& v, int twips) { return ui::twipsToPixels(twips, v.dpi); }

HWND item(const View& v, int id) { return ::GetDlgItem(v.dialog, id); }

void tell(HWND window, const std::wstring& text) {
  // Nothing more to do when even the box cannot be shown.
  (void)::MessageBoxW(window, text.c_str(), BoxTitle, MB_OK | MB_ICONWARNING);
}

// The chosen rows' copies in the order they were kept: none chosen, all.
std::vector<KeptCopy> chosen(const View& v, bool allWhenNone) {
  std::vector<std::size_t> at;
  HWND list = item(v, ids::List);
  for (int i = -1; (i = static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) >= 0;) {
    LVITEMW row{};
    row.mask = LVIF_PARAM;
    row.iItem = i;
    if (::SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&row)))
      at.push_back(static_cast<std::size_t>(row.lParam));
  }
  if (at.empty() && allWhenNone)
    for (std::size_t i = 0; i < v.copies.size(); ++i) at.push_back(i);
  std::sort(at.begin(), at.end(), [&](std::size_t a, std::size_t b) { return v.copies[a].id < v.copies[b].id; });
  std::vector<KeptCopy> copies;
  for (const std::size_t i : at) copies.push_back(v.copies[i]);
  return copies;
}

void enableRestore(const View& v) {
  const bool one = ::SendMessageW(item(v, ids::List), LVM_GETSELECTEDCOUNT, 0, 0) == 1;
  (void)::EnableWindow(item(v, ids::Restore), one);  // answers the old state, not a failure
}

void fillList(View& v) {
  v.copies = v.entries.copies();
  // The latest deletions first.
  std::stable_sort(v.copies.begin(), v.copies.end(), [](const KeptCopy& a, const KeptCopy& b) { return a.last > b.last; });
  HWND list = item(v, ids::List);
  for (std::size_t i = 0; i < v.copies.size(); ++i) {
    auto cells = ui::viewRow(v.copies[i]);
    LVITEMW row{};
    row.mask = LVIF_TEXT | LVIF_PARAM;
    row.iItem = static_cast<int>(i);
    row.pszText = cells[0].data();
    row.lParam = static_cast<LPARAM>(i);
    const int at = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
    if (at < 0) throw Win32Error("LVM_INSERTITEMW", ERROR_OUTOFMEMORY);
    for (std::size_t column = 1; column < cells.size(); ++column) {
      LVITEMW cell{};
      cell.iSubItem = static_cast<int>(column);
      cell.pszText = cells[column].data();
      ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&cell));
    }
  }
  // The latest chosen, so that Restore and Export work from the keyboard at once.
  LVITEMW state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  if (!v.copies.empty()) ::SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  enableRestore(v);
}

void createControls(View& v) {
  for (const ui::ViewControl& c : ui::ViewControls) {
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE, exStyle = 0;
    switch (c.kind) {
      case ui::ViewControlKind::Label: cls = L"STATIC"; break;
      case ui::ViewControlKind::List:
        cls = WC_LISTVIEWW;
        style |= WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS;
        exStyle = WS_EX_CLIENTEDGE;
        break;
      case ui::ViewControlKind::PushButton: style |= WS_TABSTOP | BS_PUSHBUTTON; break;
    }
    const ui::PixelRect r = ui::toPixels(c.rect, v.dpi);
    HWND child = checkNotNull(::CreateWindowExW(exStyle, cls, std::wstring(c.caption).c_str(), style, r.left, r.top,
                                                r.width(), r.height(), v.dialog,
                                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                                                ::GetModuleHandleW(nullptr), nullptr),
                              "CreateWindowExW");
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(v.font), FALSE);
  }
  HWND list = item(v, ids::List);
  ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < ui::ViewColumns.size(); ++i) {
    std::wstring caption(ui::ViewColumns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = caption.data();
    column.cx = px(v, ui::ViewColumns[i].width);
    column.iSubItem = static_cast<int>(i);
    if (::SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column)) < 0)
      throw Win32Error("LVM_INSERTCOLUMNW", ERROR_OUTOFMEMORY);
  }
  std::vector<ControlName> names;
  for (const ui::ViewControl& c : ui::ViewControls) names.push_back({item(v, c.id), std::wstring(c.name)});
  v.names.emplace(names);  // without the service (Wine) the captions and the label name them
}

// Over the middle of the owner, the client area as the table gives it.
void placeDialog(const View& v, HWND owner) {
  RECT frame{0, 0, px(v, ui::ViewClientWidth), px(v, ui::ViewClientHeight)};
  checkBool(::AdjustWindowRectExForDpi(&frame, DialogStyle, FALSE, WS_EX_DLGMODALFRAME, static_cast<UINT>(v.dpi)),
            "AdjustWindowRectExForDpi");
  RECT over{};
  checkBool(::GetWindowRect(owner, &over), "GetWindowRect");
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  checkBool(::SetWindowPos(v.dialog, nullptr, (over.left + over.right - width) / 2,
                           std::max(0L, (over.top + over.bottom - height) / 2), width, height,
                           SWP_NOZORDER | SWP_NOACTIVATE),
            "SetWindowPos");
}

void restore(View& v) {
  const std::vector<KeptCopy> one = chosen(v, false);
  if (one.size() != 1) return;
  const KeptCopy& copy = one.front();
  if (::MessageBoxW(v.dialog, ui::restoreQuestion(copy).c_str(), BoxTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  // Cleared first: a pass running meanwhile reads the box and leaves the entry.
  const bool ownRule = copy.rule >= 1 && copy.rule <= SlotCount;
  const CheckState was = ownRule ? v.controls.checkValue(copy.rule) : CheckState::Unchecked;
  if (ownRule) v.controls.setCheckValue(copy.rule, CheckState::Unchecked);
  if (const LSTATUS failed = restoreKeptCopy(copy); failed != ERROR_SUCCESS) {
    if (ownRule) v.controls.setCheckValue(copy.rule, was);
    tell(v.dialog, L"Could not write " + ui::entryPath(copy.entry) + L" back: " + systemMessage(static_cast<DWORD>(failed)));
  }
}

void exportChosen(View& v) {
  const std::vector<KeptCopy> copies = chosen(v, true);
  std::wstring file(32768, L'\0');
  const std::wstring_view suggested = L"deleted-entries.reg";
  std::copy(suggested.begin(), suggested.end(), file.begin());
  OPENFILENAMEW save{};
  save.lStructSize = sizeof save;
  save.hwndOwner = v.dialog;
  save.lpstrFilter = L"Registration files (*.reg)\0*.reg\0All files (*.*)\0*.*\0";
  save.lpstrFile = file.data();
  save.nMaxFile = static_cast<DWORD>(file.size());
  save.lpstrTitle = L"Export deleted entries";
  save.lpstrDefExt = L"reg";
  save.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!::GetSaveFileNameW(&save)) {
    if (const DWORD failed = ::CommDlgExtendedError())
      tell(v.dialog, L"The Save As dialog failed (error " + std::to_wstring(failed) + L").");
    return;  // else cancelled
  }
  file.resize(file.find(L'\0'));
  if (const DWORD failed = writeWholeFile(file, regFileBytes(copies)))
    tell(v.dialog, L"Could not save " + file + L": " + systemMessage(failed));
}

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* v = reinterpret_cast<View*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  try {
    switch (message) {
      case WM_INITDIALOG: {
        v = reinterpret_cast<View*>(lParam);
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        v->dialog = dialog;
        checkBool(::SetWindowTextW(dialog, std::wstring(ui::ViewCaption).c_str()), "SetWindowTextW");
        placeDialog(*v, ::GetWindow(dialog, GW_OWNER));
        createControls(*v);
        fillList(*v);
        ::SetFocus(item(*v, ids::List));
        return FALSE;  // the focus is set
      }
      case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) break;
        if (LOWORD(wParam) == ids::Close) ::EndDialog(dialog, 0);
        else if (LOWORD(wParam) == ids::Restore) restore(*v);
        else if (LOWORD(wParam) == ids::Export) exportChosen(*v);
        return TRUE;
      case WM_NOTIFY:
        if (v && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_ITEMCHANGED) enableRestore(*v);
        break;
      case WM_DESTROY:
        if (v) v->names.reset();  // while the controls still exist
        break;
    }
  } catch (const Win32Error& failure) {
    tell(dialog, L"The view of the deleted entries failed: " + failure.describe());
    ::EndDialog(dialog, 0);
  } catch (const std::bad_alloc&) {
    ::EndDialog(dialog, 0);  // no memory for more than closing
  }
  return FALSE;
}

}  // namespace

void showDeletedEntries(HWND owner, int dpi, HFONT font, DeletedEntries& entries, ConfigControls& controls) {
  if (const std::uint32_t failed = entries.load()) {
    tell(owner, L"Could not read the deleted entries: " + systemMessage(failed));
    return;
  }
  View view(dpi, font, entries, controls);
  EmptyTemplate dialog{{DialogStyle, WS_EX_DLGMODALFRAME, 0, 0, 0, 100, 100}};
  if (::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), &dialog.dialog, owner, dialogProc,
                                reinterpret_cast<LPARAM>(&view)) == -1)
    tell(owner, L"Could not open the view of the deleted entries: " + systemMessage(::GetLastError()));
}

}  // namespace vorlix::win32
