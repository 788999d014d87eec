#!/usr/bin/env bash
# exit_saves.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# Ending the program saves the controls as they stand, confirmed or not:
# Exit from the menu, and the close box of the shown window, alike; the
# next start loads what was saved.
set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
source "$(dirname "$0")/lib.sh"

stored=("Reg${T}Enabled${T}0" "Reg${T}3${T}0" "keydirs${T}3${T}Software\\Old")
store_clear
configuration "${stored[@]}" | store_plant

# Exit while the window is open with an edit and a ticked box not confirmed.
start_resident
configure
probe set-text "$(id_key 3)" 'Software\Unconfirmed edit' || fail "could not edit key3"
click_control "$(id_check 3)"
[[ $(probe value "$(id_check 3)") == 1 ]] || fail "a click on Check3 did not tick it"
exit_from_menu
after_exit=("${stored[@]}" "keydirs${T}3${T}Software\\Unconfirmed edit" "EnableKeys${T}3${T}1")
same_lines "the store after Exit" "$(configuration "${after_exit[@]}")" "$(store_dump)"

# The next start loads them; the close box then saves a new edit.
start_resident
configure
same_lines "the controls at the next start" "$(configuration "${after_exit[@]}")" "$(probe dump)"
probe set-text "$(id_name 3)" 'closed by the box' || fail "could not edit name3"
probe close || fail "no window to close"
wait_end 15
((exit_status == 0)) || fail "the close box ended the program with status $exit_status"
probe wait-gone 100 || fail "the window outlived the program"
icon_leaves_taskbar 10 || fail "the tray icon stayed after the close box"
after_close=("${after_exit[@]}" "keynames${T}3${T}closed by the box")
same_lines "the store after the close box" "$(configuration "${after_close[@]}")" "$(store_dump)"

start_resident
configure
same_lines "the controls at the start after" "$(configuration "${after_close[@]}")" "$(probe dump)"
exit_from_menu
