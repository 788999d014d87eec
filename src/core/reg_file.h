// Kept copies as a .reg file in the Registry Editor's own format, which
// "reg import" and a double-click read back exactly: UTF-16LE with a byte
// order mark, CRLF line ends, "Windows Registry Editor Version 5.00", then
// a block per copy: "[HIVE\key\path]" and its values, each in the encoding
// regedit itself writes for its type.
//
// The format has no way to write a line break inside a key or value name:
// such an entry is left out, and a comment in its place says so (Restore
// writes it back all the same).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/kept_copies.h"

namespace vorlix {

// One value's line(s), from its name on: "name"=... or @=... for the
// default value. Long hex data is wrapped as regedit wraps it.
std::wstring regValueText(const KeptValue& value);

// The whole file's text, the copies in the order given: where one entry
// has several, the last one given is what an import leaves. Each block
// follows a comment with its rule, count and deletion times (UTC).
std::wstring regFileText(std::span<const KeptCopy> copies);

// The same as the file's bytes.
std::vector<std::uint8_t> regFileBytes(std::span<const KeptCopy> copies);

}  // namespace vorlix
