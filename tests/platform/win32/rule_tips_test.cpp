// The rows' tips in the real window, after real scans by the real deleter:
// each kind of outcome, read from the tooltip control the way it asks the
// window for its text when a tip is about to show.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <commctrl.h>
#include <sddl.h>

#include <iostream>
#include <string>
#include <vector>

#include "core/local_time.h"
#include "core/text.h"
#include "platform/memory/memory_settings_store.h"
#include "platform/win32/check.h"
#include "platform/win32/form1.h"
#include "platform/win32/registry_deleter.h"
#include "platform/win32/unique_handle.h"
#include "ui/program.h"

namespace vorlix::win32 {
namespace {

using ui::ids::RowPart;

const std::wstring kScratch = L"Software\\VorlixTipTest-" + std::to_wstring(::GetCurrentProcessId());

void plant(HKEY root, const std::wstring& key, const wchar_t* name) {
  unique_hkey k;
  checkStatus(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                                k.put(), nullptr),
              "RegCreateKeyExW");
  if (name != nullptr)
    checkStatus(::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4),
                "RegSetValueExW");
}

// Everyone may read the key, no one may change it.
void setKeySecurity(HKEY root, const std::wstring& key, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR sd = nullptr;
  checkBool(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr),
            "ConvertStringSecurityDescriptorToSecurityDescriptorW");
  unique_hkey k;
  const LSTATUS opened = ::RegOpenKeyExW(root, key.c_str(), 0, WRITE_DAC | KEY_WOW64_64KEY, k.put());
  const LSTATUS set = opened == ERROR_SUCCESS ? ::RegSetKeySecurity(k.get(), DACL_SECURITY_INFORMATION, sd)
                                              : opened;
  ::LocalFree(sd);
  checkStatus(set, "RegSetKeySecurity");
}

struct NoPrompts final : ui::UserPrompts {
  void reportError(std::wstring_view) override {}
  bool askRetry(std::wstring_view) override { return false; }
  void bringToFront() override {}
};

struct TipRig {
  Form1 form{::GetModuleHandleW(nullptr), [](DWORD, NOTIFYICONDATAW*) { return TRUE; }};
  MemorySettingsStore store;
  RegistryApiDeleter deleter;
  NoPrompts prompts;
  ui::Program program{form, store, deleter, prompts};

  TipRig() {
    form.setEvents(&program);
    form.setRuleReports(&program);
  }
  void row(int n, std::int16_t hive, const std::wstring& key, const std::wstring& name, bool enabled = true) {
    form.controls().setListIndex(n, hive);
    form.controls().setText(TextField::Key, n, key);
    form.controls().setText(TextField::Name, n, name);
    form.controls().setCheckValue(n, enabled ? CheckState::Checked : CheckState::Unchecked);
  }
  // Timer1 going off, as the system delivers it.
  void scan() {
    ::SendMessageW(form.hwnd(), WM_TIMER, Form1::Timer1Id, 0);
    form.rethrowPendingFailure();
  }
  // What the tooltip shows over one control: it asks the window at once.
  std::wstring tipOver(HWND control) const {
    std::vector<wchar_t> text(4096, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = form.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text.data();
    ::SendMessageW(form.ruleTips(), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return text.data();
  }
  std::wstring tip(int n, RowPart part = RowPart::NumberLabel) const {
    return tipOver(form.control(ui::ids::row(n, part)));
  }
};

class RuleTips_Scratch : public ::testing::Test {
 protected:
  void SetUp() override {
    plant(HKEY_CURRENT_USER, kScratch + L"\\Values", L"Gone");
    plant(HKEY_CURRENT_USER, kScratch + L"\\Values", L"Kept");
    plant(HKEY_CURRENT_USER, kScratch + L"\\Parent\\Child", nullptr);
    plant(HKEY_CURRENT_USER, kScratch + L"\\Leaf", L"X");
    try {
      plant(HKEY_LOCAL_MACHINE, kScratch + L"\\Locked", L"V");
      setKeySecurity(HKEY_LOCAL_MACHINE, kScratch + L"\\Locked", L"D:P(A;;KR;;;WD)");
      lockedUnderMachine_ = true;
    } catch (const Win32Error&) {
      // Without the rights to HKEY_LOCAL_MACHINE, the key there is refused anyway.
    }
  }
  void TearDown() override {
    // Best effort: what a failed test leaves must not outlive the prefix.
    if (lockedUnderMachine_) {
      try {
        setKeySecurity(HKEY_LOCAL_MACHINE, kScratch + L"\\Locked", L"D:P(A;;KA;;;WD)");
      } catch (const Win32Error&) {
      }
    }
    (void)::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratch.c_str());
    (void)::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
  }
  bool lockedUnderMachine_ = false;
};

bool has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }
std::string narrow(const std::wstring& text) { return asciiSummary(text); }

TEST_F(RuleTips_Scratch, AfterRealScansEachRowsTipTellsWhatItNamesAndHowItFared) {
  TipRig rig;
  const std::wstring hkcu = L"HKEY_CURRENT_USER\\" + kScratch;
  rig.row(1, 1, kScratch + L"\\Values", L"Gone");
  rig.row(2, 1, kScratch + L"\\Values", L"Missing");
  rig.row(3, 1, kScratch + L"\\Parent", L"");
  rig.row(4, 2, kScratch + L"\\Locked", L"V");
  rig.row(5, NoSelection, kScratch + L"\\Values", L"Kept");
  rig.row(6, 1, L"\\" + kScratch + L"\\Values", L"Kept");
  rig.row(7, 1, kScratch + L"\\Values", L"Kept", false);
  rig.row(8, 1, kScratch + L"\\Missing", L"");
  rig.row(9, 1, kScratch + L"\\Leaf", L"");
  rig.row(10, 1, kScratch + L"\\" + std::wstring(300, L'k'), L"V");
  rig.scan();
  plant(HKEY_CURRENT_USER, kScratch + L"\\Values", L"Gone");  // written back by someone
  rig.scan();

  const LocalTime last = localTimeOf(rig.program.records()[1].lastDeletion);
  const wchar_t* clock = L"%02d:%02d:%02d";
  wchar_t at[16];
  swprintf(at, 16, clock, last.hour, last.minute, last.second);
  struct Expected {
    int row;
    std::vector<std::wstring> says;
  };
  const std::vector<Expected> expected = {
      {1, {L"Rule 1 deletes the value \"Gone\" in the key " + hkcu + L"\\Values.",
           L"\nFull path: " + hkcu + L"\\Values\\Gone\n",
           L"Deleted 2 times in 2 scans since Vorlix started, last at " + std::wstring(at) + L".",
           L"\nLast scan: deleted."}},
      {2, {L"Not deleted in 2 scans", L"\nLast scan: nothing to delete (the value is not there)."}},
      {3, {L"Rule 3 deletes the key " + hkcu + L"\\Parent with its values",
           L"\nLast scan: not deleted: the key has subkeys, and Vorlix never deletes a tree."}},
      {5, {L"Rule 5 names nothing: choose a hive.", L"\nLast scan: names nothing: choose a hive."}},
      {6, {L"Rule 6 names nothing: the key path starts with a backslash.",
           L"\nLast scan: names nothing: the key path starts with a backslash."}},
      {7, {L"\nNot enabled: the scans leave this rule alone.\nNo scan has tried it since Vorlix started."}},
      {8, {L"\nLast scan: nothing to delete (the key is not there)."}},
      {9, {L"Deleted once in 2 scans since Vorlix started, at ",
           L"\nLast scan: nothing to delete (the key is not there)."}},
      {10, {L"\nLast scan: not deleted: the registry answered with error "}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE("row " + std::to_string(e.row));
    const std::wstring tip = rig.tip(e.row);
    for (const std::wstring& part : e.says) EXPECT_TRUE(has(tip, part)) << narrow(tip) << "\nlacks: " << narrow(part);
  }
  if (lockedUnderMachine_) {
    EXPECT_TRUE(has(rig.tip(4), L"\nLast scan: not deleted: access denied (entries under HKEY_LOCAL_MACHINE "
                                L"need the rights to change them)."))
        << narrow(rig.tip(4));
  } else {
    std::cout << "[   note   ] HKEY_LOCAL_MACHINE is not writable here: its access-denied tip is not "
                 "checked\n";
  }
  EXPECT_TRUE(has(rig.tip(7), L"Rule 7 deletes the value \"Kept\""));

  // Every control of a row shows its row's tip; the options show none.
  for (int n : {1, 12})
    for (RowPart part : {RowPart::Combo, RowPart::KeyCaption, RowPart::Key, RowPart::NameCaption, RowPart::Name,
                         RowPart::Check})
      EXPECT_EQ(rig.tip(n, part), rig.tip(n)) << n << " part " << static_cast<int>(part);
  EXPECT_EQ(rig.tipOver(rig.form.control(ui::ids::ok)), L"");
}

TEST_F(RuleTips_Scratch, TypingIntoARowChangesWhatItsTipSaysTheRuleNames) {
  TipRig rig;
  rig.row(6, 1, L"\\Software\\Old", L"V");
  rig.scan();
  ASSERT_TRUE(has(rig.tip(6), L"Rule 6 names nothing: the key path starts with a backslash."));

  // As the keyboard would: the edit control's own text, with its EN_CHANGE.
  HWND key = rig.form.control(ui::ids::textBox(TextField::Key, 6));
  ::SendMessageW(key, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Software\\New"));
  const std::wstring typed = rig.tip(6);
  EXPECT_TRUE(has(typed, L"Rule 6 deletes the value \"V\" in the key HKEY_CURRENT_USER\\Software\\New.")) << narrow(typed);
  EXPECT_TRUE(has(typed, L"\nFull path: HKEY_CURRENT_USER\\Software\\New\\V\n"));
  EXPECT_TRUE(has(typed, L"\nLast scan, before an edit (HKEY_CURRENT_USER\\\\Software\\Old\\V): names nothing: "
                         L"the key path starts with a backslash."));

  ::SendMessageW(rig.form.control(ui::ids::combo(6)), CB_SETCURSEL, 2, 0);
  ::SendMessageW(rig.form.control(ui::ids::textBox(TextField::Name, 6)), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L""));
  EXPECT_TRUE(has(rig.tip(6, RowPart::Name),
                  L"Rule 6 deletes the key HKEY_LOCAL_MACHINE\\Software\\New with its values"));
}

}  // namespace
}  // namespace vorlix::win32
