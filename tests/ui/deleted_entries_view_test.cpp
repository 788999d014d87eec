#include "ui/deleted_entries_view.h"

#include <gtest/gtest.h>

namespace vorlix::ui {
namespace {

using namespace std::literals;

std::vector<std::uint8_t> utf16(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t u : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8)});
  return bytes;
}

KeptCopy valueCopy(std::uint32_t type, std::vector<std::uint8_t> data) {
  return {1, 4, {Hive::CurrentUser, L"Software\\K", L"V", false}, {{L"V", type, std::move(data)}}, {}, {}, 1};
}

TEST(DeletedEntriesView, ShowsEachTypesDataInShort) {
  const struct {
    KeptCopy copy;
    std::wstring shown;
  } cases[] = {
      {valueCopy(1, utf16(u"text\0"sv)), L"\"text\""},
      {valueCopy(2, utf16(u"%TEMP%\\x\0"sv)), L"\"%TEMP%\\x\""},
      {valueCopy(7, utf16(u"a\0\0b\0\0"sv)), L"\"a\", \"\", \"b\""},
      {valueCopy(1, utf16(u"line\nbreak\0"sv)), L"\"line[U+000A]break\""},
      {valueCopy(1, utf16(std::u16string(50, u'x'))), L"\"" + std::wstring(39, L'x') + L"..."},
      {valueCopy(4, {0x67, 0x12, 0, 0}), L"0x00001267 (4711)"},
      {valueCopy(11, {1, 0, 0, 0, 0, 0, 0, 0}), L"0x0000000000000001 (1)"},
      {valueCopy(3, {}), L"(0 bytes)"},
      {valueCopy(3, std::vector<std::uint8_t>(9, 0xab)), L"ab ab ab ab ab ab ab ab... (9 bytes)"},
      {valueCopy(0x12345, {1, 2}), L"01 02 (2 bytes)"},
      {{1, 4, {Hive::LocalMachine, L"Software\\Leaf", L"", true}, {{L"a", 4, {}}, {L"b", 4, {}}}, {}, {}, 1}, L"2 values"},
  };
  for (const auto& c : cases) EXPECT_EQ(dataInShort(c.copy), c.shown) << c.copy.values[0].type;
}

TEST(DeletedEntriesView, ARowNamesTheRuleThePathTheTimesAndTheCount) {
  KeptCopy copy = valueCopy(4, {1, 0, 0, 0});
  copy.entry.isKey = true;
  copy.count = 12;
  copy.first = KeptTime{std::chrono::seconds(100)};
  copy.last = KeptTime{std::chrono::seconds(200)};
  const auto local = [](KeptTime at) {
    const auto s = static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count());
    return LocalTime{2026, 12, 8, 10, s / 60, s % 60};
  };
  const auto row = viewRow(copy, local);
  EXPECT_EQ(row, (std::array<std::wstring, 6>{L"4", L"HKEY_CURRENT_USER\\Software\\K\\", L"2026-12-08 10:01:40",
                                              L"2026-12-08 10:03:20", L"12", L"1 value"}));
  EXPECT_NE(restoreQuestion(copy).find(L"Rule 4 is disabled"), std::wstring::npos);
}

TEST(DeletedEntriesView, AtEveryDpiItsControlsStayInsideAndApart) {
  int columns = 0;
  for (const ViewColumn& c : ViewColumns) columns += c.width;
  EXPECT_LE(columns + 270, ViewControls[1].rect.width);  // beside a scroll bar, no sideways scrolling
  for (const int dpi : {96, 120, 144, 192, 288}) {
    const PixelRect client = toPixels({0, 0, ViewClientWidth, ViewClientHeight}, dpi);
    for (std::size_t i = 0; i < ViewControls.size(); ++i) {
      const PixelRect a = toPixels(ViewControls[i].rect, dpi);
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom) << i;
      for (std::size_t j = i + 1; j < ViewControls.size(); ++j) {
        const PixelRect b = toPixels(ViewControls[j].rect, dpi);
        EXPECT_FALSE(a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) << i << " " << j;
      }
    }
  }
}

}  // namespace
}  // namespace vorlix::ui
