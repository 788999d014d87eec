#include "core/reg_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "core/text.h"

namespace vorlix {
namespace {

// The registry's type numbers.
constexpr std::uint32_t RegSz = 1, RegBinary = 3, RegDword = 4;

bool hasLineBreak(std::wstring_view text) { return text.find_first_of(L"\r\n") != std::wstring_view::npos; }

std::wstring quoted(std::wstring_view text) {
  std::wstring out = L"\"";
  for (const wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

std::wstring hexByte(std::uint8_t b) {
  static constexpr wchar_t Digits[] = L"0123456789abcdef";
  return {Digits[b >> 4], Digits[b & 15]};
}

// The data as one REG_SZ string, when the quoted form gives back exactly
// these bytes: whole UTF-16 units, one NUL at the end and none before it,
// and no line break (which would end the line).
std::optional<std::wstring> asPlainString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
  std::u16string units(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  if (units.back() != u'\0') return std::nullopt;
  units.pop_back();
  if (units.find_first_of(u"\r\n", 0, 3) != std::u16string::npos) return std::nullopt;  // NUL too
  return fromUtf16(units);
}

// regedit's hex lists: "xx," per byte, the line broken with ",\" and
// continued after two spaces once it reaches 77 columns.
std::wstring hexList(std::wstring line, const std::vector<std::uint8_t>& data) {
  std::size_t column = line.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    line += hexByte(data[i]);
    if (i + 1 == data.size()) break;
    line += L',';
    column += 3;
    if (column >= 77) {
      line += L"\\\r\n  ";
      column = 2;
    }
  }
  return line;
}

std::wstring utcText(KeptTime t) {
  using namespace std::chrono;
  const auto day = floor<days>(t);
  const year_month_day date(day);
  const hh_mm_ss clock(floor<seconds>(t - day));
  wchar_t text[40];
  std::swprintf(text, 40, L"%04d-%02u-%02u %02lld:%02lld:%02lld UTC", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<long long>(clock.hours().count()),
                static_cast<long long>(clock.minutes().count()),
                static_cast<long long>(clock.seconds().count()));
  return text;
}

std::wstring keyLine(const KeptCopy& c) {
  return std::wstring(Hives[static_cast<std::size_t>(c.entry.root)].name) +
         (c.entry.key.empty() ? L"" : L"\\" + c.entry.key);
}

std::wstring block(const KeptCopy& c) {
  std::wstring comment = L"; Rule " + std::to_wstring(c.rule) + L", deleted " +
                         (c.count == 1 ? L"once" : std::to_wstring(c.count) + L" times") + L", " +
                         (c.count == 1 ? L"" : L"first " + utcText(c.first) + L", last ") +
                         utcText(c.last) + L"\r\n";
  const bool nameless = std::any_of(c.values.begin(), c.values.end(),
                                    [](const KeptValue& v) { return hasLineBreak(v.name); });
  if (hasLineBreak(c.entry.key) || nameless)
    return comment + L"; Left out: a line break in the name of " + escapeInvisible(keyLine(c)) +
           (c.entry.isKey ? L" or one of its values" : L"\\" + escapeInvisible(c.entry.value)) +
           L" cannot be written in this format.\r\n\r\n";
  std::wstring text = comment + L"[" + keyLine(c) + L"]\r\n";
  for (const KeptValue& v : c.values) text += regValueText(v) + L"\r\n";
  return text + L"\r\n";
}

}  // namespace

std::wstring regValueText(const KeptValue& v) {
  const std::wstring name = v.name.empty() ? L"@=" : quoted(v.name) + L"=";
  if (v.type == RegSz)
    if (const std::optional<std::wstring> plain = asPlainString(v.data)) return name + quoted(*plain);
  if (v.type == RegDword && v.data.size() == 4) {
    wchar_t dword[16];
    std::swprintf(dword, 16, L"dword:%08x",
                  static_cast<unsigned>(v.data[0] | v.data[1] << 8 | v.data[2] << 16 |
                                        static_cast<unsigned>(v.data[3]) << 24));
    return name + dword;
  }
  wchar_t type[16];
  std::swprintf(type, 16, L"hex(%x):", static_cast<unsigned>(v.type));
  return hexList(name + (v.type == RegBinary ? L"hex:" : type), v.data);
}

std::wstring regFileText(std::span<const KeptCopy> copies) {
  std::wstring text = L"Windows Registry Editor Version 5.00\r\n\r\n";
  for (const KeptCopy& c : copies) text += block(c);
  return text;
}

std::vector<std::uint8_t> regFileBytes(std::span<const KeptCopy> copies) {
  const std::u16string units = u"\xFEFF" + toUtf16(regFileText(copies));
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return bytes;
}

}  // namespace vorlix
