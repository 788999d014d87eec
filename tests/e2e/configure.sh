#!/usr/bin/env bash
# configure.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# "Configure" from the icon's menu shows the stored configuration and stops
# scanning; an edit confirmed with OK is stored and scanning resumes; an edit
# dropped with CANCEL is gone from the window and the store, and scanning
# stays stopped until the next OK.
source "$(dirname "$0")/lib.sh"

scratch=("$ScratchKey")
values=$ScratchKey'\Values'

stored=(
  "Reg${T}13${T}4"
  "Reg${T}1${T}1" "EnableKeys${T}1${T}1" "keydirs${T}1${T}Software\\VorlixE2E\\Values" "keynames${T}1${T}First"
  "Reg${T}2${T}1" "EnableKeys${T}2${T}2" "keydirs${T}2${T}Software\\VorlixE2E\\Values" "keynames${T}2${T}Kept"
  "Reg${T}9${T}4" "keydirs${T}9${T}Software\\Nowhere" "keynames${T}9${T}with blanks  "
)
store_configuration "${stored[@]}"
tidy

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
window_holds "when shown" "${stored[@]}"
plant_value "$values" First
survives 3 "$values" First

# Edit slot 1 to delete another value, confirm with OK.
probe set-text name1 Edited || fail "could not edit name1"
press ok
edited=("${stored[@]}" "keynames${T}1${T}Edited")
store_holds "after OK" "${edited[@]}"
plant_value "$values" Edited
gone=$(gone_within 10000 "$values" Edited)
echo "after OK: the edited rule's value gone after $gone s"
has_value "$values" First || fail "the rule's old value was deleted after the edit"

# Edit again, drop it with CANCEL.
configure
probe set-text name1 Dropped || fail "could not edit name1"
[[ $(probe value name1) == Dropped ]] || fail "the edit did not reach the window"
press cancel
window_holds "after CANCEL" "${edited[@]}"
store_holds "after CANCEL" "${edited[@]}"
plant_value "$values" Edited
survives 3 "$values" Edited

# OK without a change: scanning resumes.
configure
press ok
gone=$(gone_within 10000 "$values" Edited)
echo "after the next OK: gone after $gone s"

exit_from_menu
store_holds "after Exit" "${edited[@]}"
