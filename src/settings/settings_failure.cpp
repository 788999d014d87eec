#include "settings/settings_failure.h"

#include <utility>

#include "core/text.h"
#include "settings/settings_store.h"

namespace vorlix {
namespace {

std::string summary(const SettingsFailureDetails& d) {
  const char* what = d.kind == SettingsFailureKind::WriteFailed ? "cannot write" : "cannot read";
  return std::string("settings: ") + what + " \"" + asciiSummary(d.section) + "\" \"" +
         asciiSummary(d.key) + "\"";
}

// Long or odd stored texts must not swamp or garble the message box.
constexpr std::size_t ShownCharacters = 80;

std::wstring shown(std::wstring_view text) {
  std::wstring out = L"\"" + escapeInvisible(text.substr(0, ShownCharacters)) + L"\"";
  if (text.size() > ShownCharacters)
    out += L" (cut short; " + std::to_wstring(text.size()) + L" characters in all)";
  return out;
}

std::wstring mustHold(const SettingsFailureDetails& d) {
  return d.entryKind == EntryKind::Text ? L"It must be text." : L"It must be " + d.accepted + L".";
}

}  // namespace

SettingsFailure::SettingsFailure(SettingsFailureDetails details)
    : std::runtime_error(summary(details)), details_(std::move(details)) {}

std::wstring describeSettingsFailure(const SettingsFailure& failure) {
  const SettingsFailureDetails& d = failure.details();
  const std::wstring entry = L"The setting \"" + d.section + L"\" \"" + d.key + L"\"";
  std::wstring message = std::wstring(ProgramName) +
                         (failure.duringRead() ? L" cannot load its configuration.\n\n"
                                               : L" cannot save its configuration.\n\n");
  switch (d.kind) {
    case SettingsFailureKind::NotANumber:
      message += entry + (d.storedText.empty() ? L" is empty" : L" holds " + shown(d.storedText)) +
                 L", which is not a whole number. " + mustHold(d);
      break;
    case SettingsFailureKind::Refused:
      message += entry + L" holds " + shown(d.storedText) + L", which is not allowed there. " +
                 mustHold(d);
      break;
    case SettingsFailureKind::UnreadableValue:
      message += entry + L" holds " + d.reason + L" instead of text. " +
                 (d.entryKind == EntryKind::Text ? L"It must be text."
                                                 : L"It must be text holding " + d.accepted + L".");
      break;
    case SettingsFailureKind::ReadFailed:
      message += entry + L" could not be read.\nReason: " + d.reason;
      break;
    case SettingsFailureKind::WriteFailed:
      message += entry + L" could not be written.\nReason: " + d.reason +
                 L"\nThe settings saved before it hold their new values; this one and the "
                 L"ones after it keep their previous values.";
      break;
  }
  message += L"\n\nIt is stored at:\n" + d.location + L", value \"" + d.key + L"\"";
  if (failure.duringRead()) {
    message += L"\n\nCorrect this value, or delete it to use the default (" +
               (d.defaultText.empty() ? std::wstring(L"empty") : d.defaultText) + L").";
  }
  return message;
}

}  // namespace vorlix
