#include "core/unexpected_failure.h"

#include <stdexcept>

#include "core/text.h"

namespace vorlix {

void unreachable(const char* what) { throw std::logic_error(what); }

std::wstring describeUnexpectedFailure(std::wstring_view doing, std::wstring_view reason) {
  return std::wstring(ProgramName) + L" could not " + std::wstring(doing) + L".\n\n" +
         std::wstring(reason) + L"\n\n" + std::wstring(ProgramName) + L" will now end.";
}

std::wstring describeUnexpectedFailure(std::wstring_view doing, const char* reason) {
  // The reasons are the program's own ASCII texts and the system's codes.
  return describeUnexpectedFailure(doing, widenAscii(reason != nullptr ? reason : ""));
}

}  // namespace vorlix
