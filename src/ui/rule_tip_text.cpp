#include "ui/rule_tip_text.h"

#include "core/registry_path.h"
#include "core/text.h"
#include "core/unexpected_failure.h"
#include "ui/layout.h"

namespace vorlix::ui {
namespace {

using Kind = DeletionOutcome::Kind;

std::wstring hiveName(Hive hive) { return std::wstring(Hives[static_cast<std::size_t>(hive)].name); }

std::wstring faultText(PathFault fault) {
  switch (fault) {
    case PathFault::NoHive: return L"choose a hive";
    case PathFault::LeadingBackslash: return L"the key path starts with a backslash";
    case PathFault::HiveItself:
      return L"type a key path or a value name (a hive itself is never deleted)";
    case PathFault::NulCharacter: return L"the key path or value name holds a NUL character";
    case PathFault::NoSeparator: return L"the path has no backslash";
    case PathFault::TooLong:
      return L"the key path or value name is longer than the registry's 32,766 characters";
    case PathFault::ThroughLink: return L"a key on the path is a registry link, which is never followed";
    case PathFault::None: break;
  }
  return L"the path cannot be read";
}

std::wstring namesLine(int slot, const RegistryPathReading& reading) {
  const std::wstring rule = L"Rule " + std::to_wstring(slot);
  const RegistryTarget& t = reading.target;
  switch (t.kind) {
    case RegistryTarget::Kind::Value:
      if (t.keyPath.empty())
        return rule + L" deletes the value \"" + escapeInvisible(t.valueName) + L"\" directly in " +
               hiveName(t.root) + L".";
      return rule + L" deletes the value \"" + escapeInvisible(t.valueName) + L"\" in the key " +
             hiveName(t.root) + L"\\" + escapeInvisible(t.keyPath) + L".";
    case RegistryTarget::Kind::Key:
      return rule + L" deletes the key " + hiveName(t.root) + L"\\" + escapeInvisible(t.keyPath) +
             L" with its values, as long as it has no subkeys.";
    case RegistryTarget::Kind::Nothing: break;
  }
  return rule + L" names nothing: " + faultText(reading.fault) + L".";
}

std::wstring twoDigits(int n) { return (n < 10 ? L"0" : L"") + std::to_wstring(n); }

std::wstring clockText(const LocalTime& t) {
  return twoDigits(t.hour) + L":" + twoDigits(t.minute) + L":" + twoDigits(t.second);
}

// "at 14:02:31" today, "on 2026-12-03 at 14:02:31" on any other day.
std::wstring whenText(const LocalTime& at, const LocalTime& now) {
  if (at.sameDayAs(now)) return L"at " + clockText(at);
  return L"on " + std::to_wstring(at.year) + L"-" + twoDigits(at.month) + L"-" + twoDigits(at.day) +
         L" at " + clockText(at);
}

std::wstring scansText(std::uint64_t n) {
  return std::to_wstring(n) + (n == 1 ? L" scan" : L" scans");
}

std::wstring historyLine(const RuleFacts& f) {
  const RuleRecord& r = f.record;
  if (r.tries == 0) return L"No scan has tried it since Vorlix started.";
  if (r.deletions == 0) return L"Not deleted in " + scansText(r.tries) + L" since Vorlix started.";
  const std::wstring when = whenText(f.lastDeletion, f.now);
  if (r.deletions == 1)
    return L"Deleted once in " + scansText(r.tries) + L" since Vorlix started, " + when + L".";
  return L"Deleted " + std::to_wstring(r.deletions) + L" times in " + scansText(r.tries) +
         L" since Vorlix started, last " + when + L".";
}

// The outcome of a try at `target`, the entry the rule named then.
std::wstring outcomeText(const DeletionOutcome& outcome, const RegistryTarget& target) {
  switch (outcome.kind) {
    case Kind::Deleted: return L"deleted.";
    case Kind::NotThere:
      return target.kind == RegistryTarget::Kind::Key ? L"nothing to delete (the key is not there)."
                                                      : L"nothing to delete (the value is not there).";
    case Kind::HasSubkeys: return L"not deleted: the key has subkeys, and Vorlix never deletes a tree.";
    case Kind::AccessDenied:
      if (target.kind != RegistryTarget::Kind::Nothing && target.root == Hive::LocalMachine)
        return L"not deleted: access denied (entries under " + hiveName(Hive::LocalMachine) +
               L" need the rights to change them).";
      return L"not deleted: access denied (the entry's permissions do not let Vorlix change it).";
    case Kind::NamesNothing: return L"names nothing: " + faultText(outcome.fault) + L".";
    case Kind::Failed:
      return L"not deleted: the registry answered with error " + std::to_wstring(outcome.code) + L".";
    case Kind::NotKept:
      if (outcome.code == 0)
        return L"not deleted: its copy is larger than the record of deleted entries may hold.";
      return L"not deleted: its copy could not be kept (error " + std::to_wstring(outcome.code) + L").";
  }
  unreachable("an outcome without a text");
}

std::wstring lastScanLine(const RuleFacts& f) {
  const RuleRecord& r = f.record;
  const std::wstring outcome = outcomeText(r.lastOutcome, parseRegistryPath(r.lastPath));
  if (r.lastPath == f.path) return L"Last scan: " + outcome;
  return L"Last scan, before an edit (" + escapeInvisible(r.lastPath) + L"): " + outcome;
}

}  // namespace

int ruleRowOf(int controlId) {
  const int first = ids::row(1, ids::RowPart::Combo);
  const int last = ids::row(SlotCount, ids::RowPart::Check);
  if (controlId < first || controlId > last) return 0;
  if ((controlId - first) % 10 > static_cast<int>(ids::RowPart::Check)) return 0;
  return (controlId - ids::row(0, ids::RowPart::Combo)) / 10;
}

std::wstring ruleTipText(const RuleFacts& f) {
  std::wstring text = namesLine(f.slot, readRegistryPath(f.path));
  text += L"\nFull path: " + escapeInvisible(f.path);
  if (f.enableState == CheckState::Unchecked) text += L"\nNot enabled: the scans leave this rule alone.";
  if (f.enableState == CheckState::Grayed) text += L"\nNot enabled: a greyed box counts as off.";
  text += L"\n" + historyLine(f);
  if (f.record.tries > 0) text += L"\n" + lastScanLine(f);
  return text;
}

}  // namespace vorlix::ui
