#include "ui/start_request.h"

#include "core/text.h"

namespace vorlix::ui {

StartedBy startedBy(std::wstring_view commandLine) {
  // Blank-separated, each argument perhaps in quotes; switches are matched
  // without regard to case, as Windows' own are.
  constexpr std::wstring_view Blanks = L" \t";
  while (!commandLine.empty()) {
    const std::size_t begin = commandLine.find_first_not_of(Blanks);
    if (begin == std::wstring_view::npos) break;
    commandLine.remove_prefix(begin);
    std::wstring_view argument = commandLine.substr(0, commandLine.find_first_of(Blanks));
    commandLine.remove_prefix(argument.size());
    if (argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"')
      argument = argument.substr(1, argument.size() - 2);
    if (equalsIgnoringAsciiCase(argument, BackgroundArgument)) return StartedBy::System;
  }
  return StartedBy::User;
}

}  // namespace vorlix::ui
