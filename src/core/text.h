// Conversions between the program's wide texts and narrow ones: exception
// messages (what()) and the names of system calls are narrow ASCII.
#pragma once

#include <string>
#include <string_view>

namespace vorlix {

// The program's name, as its messages and windows show it.
inline constexpr std::wstring_view ProgramName = L"Vorlix";

// Lossy, for std::exception::what(): anything but printable ASCII becomes '?'.
std::string asciiSummary(std::wstring_view text);

// A text from the store or the user as a tip or a message shows it: every
// character that would act instead of show (controls, Unicode format
// characters such as bidirectional overrides and zero-width characters,
// line and paragraph separators, unpaired surrogates) becomes its code,
// "[U+202E]", so nothing can disguise or hide what a rule names.
std::wstring escapeInvisible(std::wstring_view text);

// Equal but for the case of ASCII letters. The registry folds other letters
// too, by tables that differ between systems; ASCII is what all agree on.
bool equalsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b);

// For the program's own ASCII texts and the system's: each byte is taken as
// the character of the same number.
std::wstring widenAscii(std::string_view text);

// A text as the registry and .reg files spell it: UTF-16 code units. With
// a 16-bit wchar_t the units are taken as they are (unpaired surrogates
// included); a 32-bit one's supplementary characters become pairs, and
// pairs become them again.
std::u16string toUtf16(std::wstring_view text);
std::wstring fromUtf16(std::u16string_view units);

}  // namespace vorlix
