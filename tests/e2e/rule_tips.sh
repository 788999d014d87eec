#!/usr/bin/env bash
# rule_tips.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# After real scans at "Very High", the tip that shows when the real pointer
# rests on a rule row tells what the rule names and how it fared: deleted,
# nothing to delete, a key with subkeys, access denied under
# HKEY_LOCAL_MACHINE, no hive chosen, a key path led by a backslash, not
# enabled. Typing into a row changes what its tip says at once. The window
# with a tip shown is saved as SHOT_DIR/rule-tip.png.
source "$(dirname "$0")/lib.sh"

values=$ScratchKey'\Values'
locked=$ScratchKeyLM'\Locked'
scratch=("$ScratchKey" "$ScratchKeyLM")
cleanup() { probe unlock-key "$locked" || true; }

mapfile -t overrides < <(
  echo "Reg${T}13${T}4"
  rule 1 1 1 'Software\VorlixE2E\Values' 'Gone'
  rule 2 1 1 'Software\VorlixE2E\Values' 'Missing'
  rule 3 1 1 'Software\VorlixE2E\Parent' ''
  rule 4 2 1 'Software\VorlixE2E\Locked' 'V'
  rule 5 -1 1 'Software\VorlixE2E\Values' 'Kept'
  rule 6 1 1 '\Software\VorlixE2E\Values' 'Kept'
  rule 7 1 0 'Software\VorlixE2E\Values' 'Kept'
)
store_configuration "${overrides[@]}"

tidy
plant_value "$values" Gone
plant_value "$values" Kept
plant_value "$ScratchKey"'\Parent\Child' 'Child value'
probe lock-key "$locked" || fail "could not make a key that refuses changes"

start_resident
gone_within 10000 "$values" Gone >/dev/null
plant_value "$values" Gone  # written back: deleted again
gone_within 10000 "$values" Gone >/dev/null
configure  # scanning pauses while the window is shown

hkcu='HKEY_CURRENT_USER\Software\VorlixE2E'
# expect_tip ROW TEXT...: the tip over the row's number label (Label26 to
# Label37) holds every TEXT.
expect_tip() {
  local row=$1 tip part
  shift
  tip=$(hover_tip "Label$((25 + row))" "Rule $row ")
  for part in "$@"; do
    [[ $tip == *"$part"* ]] || fail "the tip of row $row lacks '$part':
$tip"
  done
  echo "row $row: $(head -n1 <<<"$tip") | $(tail -n1 <<<"$tip")"
}
expect_tip 1 "Rule 1 deletes the value \"Gone\" in the key $hkcu\\Values." \
  "Full path: $hkcu\\Values\\Gone" "Deleted 2 times in "
expect_tip 2 'Last scan: nothing to delete (the value is not there).'
expect_tip 3 "Rule 3 deletes the key $hkcu\\Parent" \
  'Last scan: not deleted: the key has subkeys, and Vorlix never deletes a tree.'
expect_tip 4 'Last scan: not deleted: access denied (entries under HKEY_LOCAL_MACHINE need the rights to change them).'
expect_tip 5 'Rule 5 names nothing: choose a hive.' 'Last scan: names nothing: choose a hive.'
expect_tip 6 'Rule 6 names nothing: the key path starts with a backslash.'
expect_tip 7 'Not enabled: the scans leave this rule alone.' 'No scan has tried it since Vorlix started.'
has_value "$values" Kept || fail "a rule that names nothing or is not enabled deleted its value"

# The window with the first row's tip, over its hive, for the README.
hover_tip Combo1 'Rule 1 ' >/dev/null
read -r left top right bottom < <(probe window-rect) || fail "no window rectangle"
read -r tl tt tr tb < <(probe tip-rect) || fail "the tip went"
shot "$shots/rule-tip-full.png"
crop "$shots/rule-tip-full.png" "$shots/rule-tip.png" "$left" "$top" \
  $((tr > right ? tr : right)) $((tb > bottom ? tb : bottom))

# Typed into: the tip tells the new entry at once, the last scan as before the edit.
probe set-text key6 'Software\VorlixE2E\Values' || fail "could not edit key6"
expect_tip 6 "Rule 6 deletes the value \"Kept\" in the key $hkcu\\Values." \
  "Last scan, before an edit (HKEY_CURRENT_USER\\\\Software\\VorlixE2E\\Values\\Kept): names nothing"

# CANCEL drops the edit; Exit stores the configuration as it was planted.
press cancel
exit_from_menu
store_holds "after the run" "${overrides[@]}"
