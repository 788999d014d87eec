#!/usr/bin/env bash
# configure.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# "Configure" from the icon's menu shows the stored configuration and stops
# scanning; an edit confirmed with OK is stored and scanning resumes; an edit
# dropped with CANCEL is gone from the window and the store, and scanning
# stays stopped until the next OK.
set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
source "$(dirname "$0")/lib.sh"

values=$ScratchKey'\Values'
cleanup() {
  stop_program
  reg delete "$ScratchKey" /f >/dev/null || true
}
trap cleanup EXIT

stored=(
  "Reg${T}13${T}4"
  "Reg${T}1${T}1" "EnableKeys${T}1${T}1" "keydirs${T}1${T}Software\\VorlixE2E\\Values" "keynames${T}1${T}First"
  "Reg${T}2${T}1" "EnableKeys${T}2${T}2" "keydirs${T}2${T}Software\\VorlixE2E\\Values" "keynames${T}2${T}Kept"
  "Reg${T}9${T}4" "keydirs${T}9${T}Software\\Nowhere" "keynames${T}9${T}with blanks  "
)
store_clear
configuration "${stored[@]}" | store_plant
cleanup

# survives SECONDS KEY VALUE: several passes at "Very High" leave it alone.
survives() {
  sleep "$1"
  has_value "$2" "$3" || fail "$2 $3 was deleted although scanning should be stopped"
}

start_resident
plant_value "$values" First
gone_within 10000 "$values" First >/dev/null

configure
window_shot window-configured
same_lines "the window's configuration" "$(configuration "${stored[@]}")" "$(probe dump)"
plant_value "$values" First
survives 3 "$values" First

# Edit slot 1 to delete another value, confirm with OK.
probe set-text "$(id_name 1)" Edited || fail "could not edit name1"
click_control $IdOk
probe wait-hidden 5000 || fail "OK did not hide the window"
edited=("${stored[@]}" "keynames${T}1${T}Edited")
same_lines "the store after OK" "$(configuration "${edited[@]}")" "$(store_dump)"
plant_value "$values" Edited
gone=$(gone_within 10000 "$values" Edited)
echo "after OK: the edited rule's value gone after $gone s"
has_value "$values" First || fail "the rule's old value was deleted after the edit"

# Edit again, drop it with CANCEL.
configure
probe set-text "$(id_name 1)" Dropped || fail "could not edit name1"
[[ $(probe value "$(id_name 1)") == Dropped ]] || fail "the edit did not reach the window"
click_control $IdCancel
probe wait-hidden 5000 || fail "CANCEL did not hide the window"
same_lines "the window after CANCEL" "$(configuration "${edited[@]}")" "$(probe dump)"
same_lines "the store after CANCEL" "$(configuration "${edited[@]}")" "$(store_dump)"
plant_value "$values" Edited
survives 3 "$values" Edited

# OK without a change: scanning resumes.
configure
click_control $IdOk
probe wait-hidden 5000 || fail "OK did not hide the window"
gone=$(gone_within 10000 "$values" Edited)
echo "after the next OK: gone after $gone s"

exit_from_menu
same_lines "the store after Exit" "$(configuration "${edited[@]}")" "$(store_dump)"
