#!/usr/bin/env bash
# exit_saves.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# Ending the program saves the controls as they stand, confirmed or not:
# Exit from the menu, and the close box of the shown window, alike; the
# next start loads what was saved.
source "$(dirname "$0")/lib.sh"

stored=("Reg${T}Enabled${T}0" "Reg${T}3${T}0" "keydirs${T}3${T}Software\\Old")
store_configuration "${stored[@]}"

# Exit while the window is open with an edit and a ticked box not confirmed.
start_resident
configure
probe set-text key3 'Software\Unconfirmed edit' || fail "could not edit key3"
click_control Check3
[[ $(probe value Check3) == 1 ]] || fail "a click on Check3 did not tick it"
exit_from_menu
after_exit=("${stored[@]}" "keydirs${T}3${T}Software\\Unconfirmed edit" "EnableKeys${T}3${T}1")
store_holds "after Exit" "${after_exit[@]}"

# The next start loads them; the close box then saves a new edit.
start_resident
configure
window_holds "at the next start" "${after_exit[@]}"
probe set-text name3 'closed by the box' || fail "could not edit name3"
probe close || fail "no window to close"
ends_well "the close box"
probe wait-gone 100 || fail "the window outlived the program"
icon_leaves_taskbar 10 || fail "the tray icon stayed after the close box"
after_close=("${after_exit[@]}" "keynames${T}3${T}closed by the box")
store_holds "after the close box" "${after_close[@]}"

start_resident
configure
window_holds "at the start after" "${after_close[@]}"
exit_from_menu
