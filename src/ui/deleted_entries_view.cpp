#include "ui/deleted_entries_view.h"

#include <cstdio>

#include "core/hives.h"
#include "core/text.h"

namespace vorlix::ui {
namespace {

constexpr std::size_t ShortText = 40;
constexpr std::size_t ShortBytes = 8;

std::wstring timeText(KeptTime at, LocalTime (*local)(KeptTime)) {
  const LocalTime t = local ? local(at) : localTimeOf(at);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return text;
}

std::wstring shortened(std::wstring text) {
  text = escapeInvisible(text);
  if (text.size() > ShortText) text = text.substr(0, ShortText) + L"...";
  return text;
}

std::uint64_t littleEndian(const std::vector<std::uint8_t>& data) {
  std::uint64_t n = 0;
  for (std::size_t i = data.size(); i-- > 0;) n = n << 8 | data[i];
  return n;
}

// The registry's strings: UTF-16 units up to the first NUL, or each string
// of a REG_MULTI_SZ.
std::wstring textOf(const std::vector<std::uint8_t>& data, bool multi) {
  std::u16string units(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  if (!multi) return L"\"" + fromUtf16(units.substr(0, units.find(u'\0'))) + L"\"";
  std::wstring joined;
  for (std::size_t start = 0;;) {
    const std::size_t end = std::min(units.find(u'\0', start), units.size());
    joined += L"\"" + fromUtf16(units.substr(start, end - start)) + L"\"";
    if (end >= units.size()) return joined;
    joined += L", ";
    start = end + 1;
  }
}

std::wstring valueInShort(const KeptValue& v) {
  constexpr std::uint32_t Sz = 1, ExpandSz = 2, Dword = 4, MultiSz = 7, Qword = 11;
  if ((v.type == Sz || v.type == ExpandSz || v.type == MultiSz) && v.data.size() % 2 == 0)
    return shortened(textOf(v.data, v.type == MultiSz));
  if ((v.type == Dword && v.data.size() == 4) || (v.type == Qword && v.data.size() == 8)) {
    wchar_t number[48];
    const auto n = static_cast<unsigned long long>(littleEndian(v.data));
    std::swprintf(number, 48, L"0x%0*llx (%llu)", static_cast<int>(2 * v.data.size()), n, n);
    return number;
  }
  std::wstring hex;
  for (std::size_t i = 0; i < std::min(v.data.size(), ShortBytes); ++i) {
    wchar_t b[4];
    std::swprintf(b, 4, L"%02x", v.data[i]);
    hex += (i ? L" " : L"") + std::wstring(b);
  }
  if (v.data.size() > ShortBytes) hex += L"...";
  return hex + (hex.empty() ? L"" : L" ") + L"(" + std::to_wstring(v.data.size()) + L" bytes)";
}

}  // namespace

std::wstring entryPath(const DeletedEntry& e) {
  std::wstring path(Hives[static_cast<std::size_t>(e.root)].name);
  if (!e.key.empty()) path += L"\\" + e.key;
  return e.isKey ? path + L"\\" : path + L"\\" + e.value;
}

std::wstring dataInShort(const KeptCopy& copy) {
  if (copy.entry.isKey)
    return copy.values.size() == 1 ? L"1 value" : std::to_wstring(copy.values.size()) + L" values";
  return copy.values.empty() ? std::wstring() : valueInShort(copy.values.front());
}

std::array<std::wstring, ViewColumns.size()> viewRow(const KeptCopy& copy, LocalTime (*local)(KeptTime)) {
  return {copy.rule == 0 ? std::wstring() : std::to_wstring(copy.rule), escapeInvisible(entryPath(copy.entry)),
          timeText(copy.first, local), timeText(copy.last, local), std::to_wstring(copy.count),
          dataInShort(copy)};
}

std::wstring restoreQuestion(const KeptCopy& copy) {
  std::wstring text = L"Write " + escapeInvisible(entryPath(copy.entry)) + L" back as it was before its deletion of " +
                      timeText(copy.last, nullptr) + L"?";
  if (copy.rule != 0)
    text += L"\n\nRule " + std::to_wstring(copy.rule) +
            L" is disabled so that it does not delete the entry again; press OK in the configuration window to "
            L"keep it so.";
  return text;
}

}  // namespace vorlix::ui
