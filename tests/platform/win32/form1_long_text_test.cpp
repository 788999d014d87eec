// Key paths and value names longer than an edit control takes by default
// (30,000 characters under Wine, 32,767 on Windows), pasted and typed into
// the real window, come back unchanged from the registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/rules.h"
#include "platform/win32/form1.h"
#include "platform/win32/registry_settings_store.h"
#include "platform/win32/unique_handle.h"
#include "settings/configuration_io.h"
#include "ui/layout.h"

namespace vorlix::win32 {
namespace {

// No line breaks: a one-line edit control stops a paste at the first one.
std::wstring longText(std::size_t length, std::wstring_view pattern) {
  std::wstring text;
  text.reserve(length);
  while (text.size() < length) text += pattern;
  text.resize(length);
  return text;
}

void putOnClipboard(HWND owner, const std::wstring& text) {
  ASSERT_TRUE(::OpenClipboard(owner));
  ASSERT_TRUE(::EmptyClipboard());
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  ASSERT_NE(memory, nullptr);
  std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
  ::GlobalUnlock(memory);
  // The clipboard owns the memory once it takes it.
  if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr) ::GlobalFree(memory);
  ASSERT_TRUE(::CloseClipboard());
}

void paste(HWND box, const std::wstring& text) {
  putOnClipboard(::GetParent(box), text);
  ::SendMessageW(box, WM_PASTE, 0, 0);
}

// One WM_CHAR per character, as TranslateMessage makes them from key presses.
void type(HWND box, std::wstring_view text) {
  for (const wchar_t c : text) ::SendMessageW(box, WM_CHAR, c, 1);
}

LRESULT lengthOf(HWND box) { return ::SendMessageW(box, WM_GETTEXTLENGTH, 0, 0); }

// Says where texts of this size differ instead of printing them.
::testing::AssertionResult sameText(const std::wstring& actual, const std::wstring& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  const auto differ = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  return ::testing::AssertionFailure() << actual.size() << " characters instead of " << expected.size()
                                       << ", first difference at " << (differ.first - actual.begin());
}

class Form1LongText : public ::testing::Test {
 protected:
  void SetUp() override { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str()); }
  void TearDown() override { (void)::RegDeleteTreeW(HKEY_CURRENT_USER, scratch_.c_str()); }

  const std::wstring scratch_ =
      L"Software\\Vorlix tests\\" + std::to_wstring(::GetCurrentProcessId()) + L" long texts";
  Form1 form_{::GetModuleHandleW(nullptr), [](DWORD, NOTIFYICONDATAW*) { return TRUE; }};
};

TEST_F(Form1LongText, PastedAndTypedPastTheDefaultLimitAreSavedAndLoadedWhole) {
  const std::wstring pasted = longText(40000, L"Software\\Läng 日本 ");
  const std::wstring typedBefore = longText(60, L"vor ü ");
  const std::wstring typedAfter = longText(60, L" nach ß");
  HWND key = form_.control(ui::ids::textBox(TextField::KeyPath, 3));
  type(key, typedBefore);
  paste(key, pasted);
  type(key, typedAfter);
  const std::wstring expectedKey = typedBefore + pasted + typedAfter;

  // Typing carries this one past 32,767.
  const std::wstring nearLimit = longText(32740, L"name ñ 名 ");
  const std::wstring crossing = longText(60, L"+ é ");
  HWND name = form_.control(ui::ids::textBox(TextField::ValueName, 11));
  paste(name, nearLimit);
  type(name, crossing);
  const std::wstring expectedName = nearLimit + crossing;

  ASSERT_TRUE(sameText(form_.controls().text(TextField::KeyPath, 3), expectedKey));
  ASSERT_TRUE(sameText(form_.controls().text(TextField::ValueName, 11), expectedName));

  RegistrySettingsStore store(scratch_);
  writeConfiguration(store, RuleTable(form_.controls()), ProgramOptions(form_.controls()), okOrder());
  form_.controls().setText(TextField::KeyPath, 3, L"");
  form_.controls().setText(TextField::ValueName, 11, L"");
  ProgramOptions options(form_.controls());
  readConfiguration(store, RuleTable(form_.controls()), options);
  EXPECT_TRUE(sameText(form_.controls().text(TextField::KeyPath, 3), expectedKey));
  EXPECT_TRUE(sameText(form_.controls().text(TextField::ValueName, 11), expectedName));
}

// Shows the platform's default limit: without the raised one the same paste
// would be cut, so the test above exercises the limit on this system.
TEST_F(Form1LongText, Platform_APlainEditControlStopsThePasteAtItsDefaultLimit) {
  unique_hwnd plain(::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 100, 20,
                                      form_.hwnd(), nullptr, ::GetModuleHandleW(nullptr), nullptr));
  ASSERT_NE(plain.get(), nullptr);
  paste(plain.get(), longText(40000, L"x"));
  EXPECT_GT(lengthOf(plain.get()), 0);
  EXPECT_LE(lengthOf(plain.get()), 32767);
}

}  // namespace
}  // namespace vorlix::win32
