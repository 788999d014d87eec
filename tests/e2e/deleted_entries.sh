#!/usr/bin/env bash
# deleted_entries.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# A rule at Instant deletes a value; the button of the configuration window
# opens the view, which lists it; Restore asks, writes the value back as it
# was and clears the rule's enable box; Export saves a .reg file that begins
# with the byte order mark and the Registry Editor's header.
source "$(dirname "$0")/lib.sh"

values=$ScratchKey'\Kept'
View='Deleted entries'
Save='Export deleted entries'
# Made just before the export: the first tidy below would remove it.
exported=$WINEPREFIX/drive_c/vorlix-export-$$
scratch=("$ScratchKey")
cleanup() { rm -rf "$exported"; }
in_view() { probe in "$View" "$@"; }
# within SECONDS COMMAND...: polls until the command succeeds.
within() {
  local end=$((SECONDS + $1)); shift
  until "$@"; do ((SECONDS < end)) || return 1; sleep 0.2; done
}
view_gone() { ! probe wait-dialog 0 "$View"; }
click_in() {
  local x y
  read -r x y < <(probe in "$1" "$2" centre) || fail "no control $2 in '$1'"
  xdotool mousemove "$x" "$y" click 1
}

stored=(
  "Reg${T}13${T}5"
  "Reg${T}1${T}1" "EnableKeys${T}1${T}1" "keydirs${T}1${T}Software\\VorlixE2E\\Kept" "keynames${T}1${T}Restored"
)
store_configuration "${stored[@]}"
tidy
# The record of the scripts run before this one in the session: gone, so
# that the view lists this script's deletion alone.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Vorlix
reg add "$values" /v Restored /t REG_DWORD /d 4711 /f >/dev/null

start_resident
gone=$(gone_within 10000 "$values" Restored)
echo "deleted after $gone s"
configure
window_shot window-deleted-entries-button
click_control deletedEntries
probe wait-dialog 10000 "$View" || fail "the button opened no view"
[[ $(in_view 301 rows) == 1 ]] || fail "the view lists $(in_view 301 rows) entries, not one"
shot "$shots/deleted-entries.png"

click_in "$View" 302
question=$(probe wait-msgbox 5000) || fail "Restore asked nothing"
[[ $question == *'HKEY_CURRENT_USER\Software\VorlixE2E\Kept\Restored'*'Rule 1 is disabled'* ]] ||
  fail "Restore asked: $question"
probe in Vorlix 6 press || fail "could not answer Yes"
within 5 has_value "$values" Restored || fail "Restore wrote nothing back"
[[ $(reg query "$values" /v Restored) == *'REG_DWORD'*'0x1267'* ]] || fail "written back: $(reg query "$values" /v Restored)"
[[ $(probe value Check1) == 0 ]] || fail "rule 1's enable box is still checked"
echo "restored, and rule 1 cleared"

mkdir -p "$exported"
click_in "$View" 303
probe wait-dialog 10000 "$Save" || fail "Export opened no Save As dialog"
file=$(winepath -w "$exported/mine.reg")
# The file name box: an edit (edt1) in some versions, a combo box (cmb13) in others.
probe in "$Save" 1152 set "$file" || probe in "$Save" 1148 set "$file" || fail "no file name box"
probe in "$Save" 1 press || fail "could not press Save"
within 10 test -s "$exported/mine.reg" || fail "Export wrote no file"
[[ $(head -c 6 "$exported/mine.reg" | od -An -tx1 | tr -d ' \n') == fffe57006900 ]] || fail "no BOM and header"
iconv -f UTF-16 -t UTF-8 "$exported/mine.reg" | tr -d '\r' | grep -qx '"Restored"=dword:00001267' ||
  fail "the export lacks the value: $(iconv -f UTF-16 -t UTF-8 "$exported/mine.reg")"
echo "exported"

in_view 2 press || fail "could not close the view"
within 5 view_gone || fail "the view stayed open"
