// Failures the program does not expect: code that cannot be reached, and
// the message that tells the user of any failure no flow handles itself.
#pragma once

#include <string>
#include <string_view>

namespace vorlix {

// "Cannot happen": a case the program's own tables or callers rule out.
// Thrown as std::logic_error, so it ends the event's handler like any other
// unexpected failure and the user is told what the program was doing.
[[noreturn]] void unreachable(const char* what);

// The text of an unexpected failure: what the program was doing and why it failed.
std::wstring describeUnexpectedFailure(std::wstring_view doing, std::wstring_view reason);
// The same for the program's own ASCII reasons (std::exception::what).
std::wstring describeUnexpectedFailure(std::wstring_view doing, const char* reason);

}  // namespace vorlix
