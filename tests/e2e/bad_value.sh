#!/usr/bin/env bash
# bad_value.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# "Reg" "7" stored as "9", which its selector refuses: a message box names the
# entry, its location and what it holds; no icon is added; once the box is
# dismissed the program ends with a non-zero status, the store untouched. The
# same value met by CANCEL ends the run without the exit save.
source "$(dirname "$0")/lib.sh"

cleanup() { store_clear; }  # a later run must not meet the bad value

stored=("Reg${T}7${T}9" "Reg${T}3${T}2" "keydirs${T}7${T}Software\\Seven")
store_configuration "${stored[@]}"
export_store before

expect_message_about_reg7() {
  local text
  text=$(probe wait-msgbox 20000) || fail "no message box titled Vorlix"
  [[ $text == *'"Reg" "7"'* ]] || fail "the message does not name \"Reg\" \"7\": $text"
  [[ $text == *"$StoreLocation\\Reg"* ]] || fail "the message does not say where the value is: $text"
  [[ $text == *'"9"'* ]] || fail "the message does not say what the value holds: $text"
}

start_program
expect_message_about_reg7
shot "$shots/message-box.png"
probe wait-icon 300 && fail "the icon was added although the configuration could not be loaded"
[[ -z $(icon_centre) ]] || fail "an icon is drawn in the task bar"
probe wait-hidden 100 || fail "the window is shown"
probe msgbox-press 1 || fail "could not press OK in the message box"
wait_end 15
((exit_status != 0)) || fail "the program ended with status 0"
echo "ended with status $exit_status"
store_unchanged "the store changed"

# A run that loaded a sound value meets the bad one at CANCEL: the unconfirmed
# edit must not be saved on the way out.
reg add "$StoreKey\\Reg" /v 7 /d 1 /f >/dev/null
cancel_over_bad_reg7
expect_message_about_reg7
probe msgbox-press 1 || fail "could not press OK in the message box"
wait_end 15
((exit_status != 0)) || fail "the program ended with status 0 after a failed revert"
store_unchanged "the store changed after a failed revert"
rm -f "$shots"/store-*.reg
