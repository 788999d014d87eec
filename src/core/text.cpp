#include "core/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace vorlix {
namespace {

struct CodeRange {
  char32_t first;
  char32_t last;
};

// General categories Cc, Cf, Zl and Zp (Unicode 15), and the surrogates,
// which reach the test below only unpaired.
constexpr std::array<CodeRange, 24> Invisible{{
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
    {0x2060, 0x2064},   {0x2066, 0x206F},   {0xD800, 0xDFFF},   {0xFEFF, 0xFEFF},
    {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F},
    {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
}};

bool isInvisible(char32_t c) {
  for (const CodeRange& r : Invisible)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::wstring escapeInvisible(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    std::size_t units = 1;
    // UTF-16 (Windows) spells a supplementary character as a pair; a
    // 32-bit wchar_t holds it whole.
    if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(static_cast<char32_t>(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
      units = 2;
    }
    if (isInvisible(c)) {
      wchar_t code[16];
      std::swprintf(code, 16, L"[U+%04X]", static_cast<unsigned>(c));
      out += code;
    } else {
      out.append(text.substr(i, units));
    }
    i += units - 1;
  }
  return out;
}

std::string asciiSummary(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

std::wstring widenAscii(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (const char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  const auto fold = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; };
  return std::ranges::equal(a, b, {}, fold, fold);
}

std::u16string toUtf16(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (const wchar_t w : text) {
    const auto c = static_cast<char32_t>(w);
    if (c > 0xFFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::wstring fromUtf16(std::u16string_view units) {
  std::wstring out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if constexpr (sizeof(wchar_t) == 4) {
      if (isHighSurrogate(c) && i + 1 < units.size() && isLowSurrogate(units[i + 1]))
        c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
    }
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

}  // namespace vorlix
