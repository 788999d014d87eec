// The rows' tips in the real window after real scans by the real deleter,
// read from the tooltip control the way it asks the window for the text
// when a tip is about to show. (The end-to-end test rule_tips.sh shows each
// kind of outcome with the real pointer.)
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/win32/form1.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"
#include "support/unexpected_prompts.h"
#include "ui/program.h"

namespace vorlix::win32 {
namespace {

using ui::ids::RowPart;

struct TipRig {
  Form1 form{::GetModuleHandleW(nullptr), [](DWORD, NOTIFYICONDATAW*) { return TRUE; }};
  MemorySettingsStore store;
  RegistryApiDeleter deleter;
  test::UnexpectedPrompts prompts;
  ui::Program program{form, store, deleter, prompts};

  TipRig() {
    form.setEvents(&program);
    form.setRuleReports(&program);
  }
  void row(int n, std::int16_t hive, const std::wstring& key, const std::wstring& name) {
    form.controls().setListIndex(n, hive);
    form.controls().setText(TextField::KeyPath, n, key);
    form.controls().setText(TextField::ValueName, n, name);
    form.controls().setCheckValue(n, CheckState::Checked);
  }
  // Timer1 going off, as the system delivers it.
  void scan() {
    ::SendMessageW(form.hwnd(), WM_TIMER, Form1::Timer1Id, 0);
    form.rethrowPendingFailure();
  }
  std::wstring tipOver(int id) {
    std::vector<wchar_t> text(4096, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(form.control(id));
    tool.lpszText = text.data();
    ::SendMessageW(form.ruleTips(), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return text.data();
  }
};

TEST(RuleTooltip, EveryControlOfARowTellsItsRulesScansAndTypingChangesItAtOnce) {
  const std::wstring leaf = L"Software\\VorlixTipTest-" + std::to_wstring(::GetCurrentProcessId());
  unique_hkey created;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, leaf.c_str(), 0, nullptr, 0, KEY_READ, nullptr, created.put(),
                              nullptr),
            ERROR_SUCCESS);
  TipRig rig;
  rig.row(1, 1, leaf, L"");
  rig.row(12, 1, L"Software\\" + std::wstring(300, L'k'), L"V");  // a key name longer than the registry takes
  rig.scan();
  rig.scan();
  (void)::RegDeleteTreeW(HKEY_CURRENT_USER, leaf.c_str());  // in case the deletion failed

  const std::wstring tip1 = rig.tipOver(ui::ids::row(1, RowPart::NumberLabel));
  EXPECT_EQ(tip1.rfind(L"Rule 1 deletes the key HKEY_CURRENT_USER\\" + leaf + L" with its values", 0), 0u)
      << asciiSummary(tip1);
  EXPECT_TRUE(tip1.ends_with(L"\nLast scan: nothing to delete (the key is not there)."));
  EXPECT_NE(tip1.find(L"\nDeleted once in 2 scans since Vorlix started, at "), std::wstring::npos);
  const std::wstring tip12 = rig.tipOver(ui::ids::row(12, RowPart::Check));
  EXPECT_NE(tip12.find(L"\nLast scan: not deleted: the registry answered with error "), std::wstring::npos)
      << asciiSummary(tip12);

  // Every control of a row shows its row's tip; the options show none.
  for (int n : {1, 12})
    for (RowPart part : {RowPart::Combo, RowPart::NumberLabel, RowPart::KeyCaption, RowPart::Key,
                         RowPart::NameCaption, RowPart::Name, RowPart::Check})
      EXPECT_EQ(rig.tipOver(ui::ids::row(n, part)), n == 1 ? tip1 : tip12) << n << "." << static_cast<int>(part);
  for (int id : {ui::ids::ok, ui::ids::scanenabled, ui::ids::Combo13}) EXPECT_EQ(rig.tipOver(id), L"");

  // As the keyboard would: the edit control's own text, with its EN_CHANGE.
  ::SendMessageW(rig.form.control(ui::ids::textBox(TextField::ValueName, 1)), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"Typed"));
  const std::wstring typed = rig.tipOver(ui::ids::row(1, RowPart::Name));
  EXPECT_EQ(typed.rfind(L"Rule 1 deletes the value \"Typed\" in the key HKEY_CURRENT_USER\\" + leaf + L".\n", 0),
            0u)
      << asciiSummary(typed);
  EXPECT_NE(typed.find(L"\nLast scan, before an edit (HKEY_CURRENT_USER\\" + leaf + L"\\): nothing to delete"),
            std::wstring::npos);
}

}  // namespace
}  // namespace vorlix::win32
