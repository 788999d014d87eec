#include "core/reg_file.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlix {
namespace {

std::vector<std::uint8_t> utf16z(std::u16string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t u : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8)});
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

TEST(RegFile, WritesEachTypeAsRegeditDoes) {
  const struct {
    KeptValue value;
    std::wstring line;
  } cases[] = {
      {{L"a\"b\\c=[d]", 1, utf16z(u"x\\\"y")}, L"\"a\\\"b\\\\c=[d]\"=\"x\\\\\\\"y\""},
      {{L"", 1, utf16z(u"")}, L"@=\"\""},
      {{L"n", 1, utf16z(u"two\r\nlines")}, L"\"n\"=hex(1):74,00,77,00,6f,00,0d,00,0a,00,6c,00,69,00,6e,00,65,00,73,00,00,00"},
      {{L"n", 1, {0x41, 0, 0, 0, 0x42, 0, 0, 0}}, L"\"n\"=hex(1):41,00,00,00,42,00,00,00"},  // a NUL inside
      {{L"n", 1, {0x41, 0}}, L"\"n\"=hex(1):41,00"},                                        // no NUL at the end
      {{L"n", 1, {0x41}}, L"\"n\"=hex(1):41"},                                              // an odd size
      {{L"n", 4, {0xcd, 0xab, 0, 0}}, L"\"n\"=dword:0000abcd"},
      {{L"n", 4, {1, 2}}, L"\"n\"=hex(4):01,02"},
      {{L"n", 3, {}}, L"\"n\"=hex:"},
      {{L"n", 0, {0xff}}, L"\"n\"=hex(0):ff"},
      {{L"n", 11, {1, 0, 0, 0, 0, 0, 0, 0x80}}, L"\"n\"=hex(b):01,00,00,00,00,00,00,80"},
      {{L"n", 0x12345, {7}}, L"\"n\"=hex(12345):07"},
  };
  for (const auto& c : cases) EXPECT_EQ(regValueText(c.value), c.line) << c.value.type;
}

TEST(RegFile, WrapsLongDataLikeRegeditWithEveryByteInOrder) {
  KeptValue big{L"Binary", 3, {}};
  for (int i = 0; i < 1000; ++i) big.data.push_back(static_cast<std::uint8_t>(i * 7));
  const std::wstring text = regValueText(big);
  std::vector<std::uint8_t> back;
  std::size_t start = 0, lines = 0;
  for (std::size_t end; start < text.size(); start = end + 2, ++lines) {
    end = std::min(text.find(L"\r\n", start), text.size());
    const std::wstring line = text.substr(start, end - start);
    EXPECT_LE(line.size(), 80u) << line;
    EXPECT_EQ(line.substr(0, 2), lines == 0 ? L"\"B" : L"  ");
    EXPECT_EQ(line.back() == L'\\', end != text.size()) << line;
    for (std::size_t at = lines == 0 ? line.find(L':') + 1 : 2; at + 1 < line.size() && line[at] != L'\\'; at += 3)
      back.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(at, 2), nullptr, 16)));
  }
  EXPECT_EQ(back, big.data);
  EXPECT_GT(lines, 10u);
}

TEST(RegFile, IsUtf16WithItsHeaderAndLeavesOutWhatTheFormatCannotName) {
  const KeptTime at{std::chrono::seconds(1'765'000'000)};
  std::vector<KeptCopy> copies{
      {1, 3, {Hive::CurrentUser, L"Software\\A]b", L"V", false}, {{L"V", 4, {1, 0, 0, 0}}}, at, at, 1},
      {2, 4, {Hive::LocalMachine, L"Software\\Leaf", L"", true}, {{L"x", 3, {1}}, {L"", 1, utf16z(u"d")}}, at, at + std::chrono::hours(25), 3},
      {3, 5, {Hive::CurrentUser, L"K", L"line\nbreak", false}, {{L"line\nbreak", 4, {1, 0, 0, 0}}}, at, at, 1},
  };
  EXPECT_EQ(regFileText(copies),
            L"Windows Registry Editor Version 5.00\r\n\r\n"
            L"; Rule 3, deleted once, 2025-12-06 05:46:40 UTC\r\n"
            L"[HKEY_CURRENT_USER\\Software\\A]b]\r\n\"V\"=dword:00000001\r\n\r\n"
            L"; Rule 4, deleted 3 times, first 2025-12-06 05:46:40 UTC, last 2025-12-07 06:46:40 UTC\r\n"
            L"[HKEY_LOCAL_MACHINE\\Software\\Leaf]\r\n\"x\"=hex:01\r\n@=\"d\"\r\n\r\n"
            L"; Rule 5, deleted once, 2025-12-06 05:46:40 UTC\r\n"
            L"; Left out: a line break in the name of HKEY_CURRENT_USER\\K\\line[U+000A]break cannot be "
            L"written in this format.\r\n\r\n");
  const std::vector<std::uint8_t> bytes = regFileBytes(copies);
  ASSERT_GT(bytes.size(), 6u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 6),
            (std::vector<std::uint8_t>{0xFF, 0xFE, 'W', 0, 'i', 0}));
}

}  // namespace
}  // namespace vorlix
