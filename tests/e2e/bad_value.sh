#!/usr/bin/env bash
# bad_value.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# "Reg" "7" stored as "9", which its selector refuses: a message box names the
# entry, its location and what it holds; no icon is added; once the box is
# dismissed the program ends with a non-zero status, the store untouched. The
# same value met by CANCEL ends the run without the exit save.
set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
source "$(dirname "$0")/lib.sh"

cleanup() {
  stop_program
  store_clear  # a later run must not meet the bad value
}
trap cleanup EXIT

stored=("Reg${T}7${T}9" "Reg${T}3${T}2" "keydirs${T}7${T}Software\\Seven")
store_clear
configuration "${stored[@]}" | store_plant
reg export "$StoreKey" "$(winepath -w "$shots/store-before.reg")" /y >/dev/null || fail "reg export failed"

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
reg export "$StoreKey" "$(winepath -w "$shots/store-after.reg")" /y >/dev/null || fail "reg export failed"
cmp "$shots/store-before.reg" "$shots/store-after.reg" || fail "the store changed"

# A run that loaded a sound value meets the bad one at CANCEL: the unconfirmed
# edit must not be saved on the way out.
reg add "$StoreKey\\Reg" /v 7 /d 1 /f >/dev/null
start_resident
configure
probe set-text "$(id_key 7)" 'Software\Unconfirmed' || fail "could not edit key7"
reg add "$StoreKey\\Reg" /v 7 /d 9 /f >/dev/null
reg export "$StoreKey" "$(winepath -w "$shots/store-before.reg")" /y >/dev/null || fail "reg export failed"
click_control $IdCancel
expect_message_about_reg7
probe msgbox-press 1 || fail "could not press OK in the message box"
wait_end 15
((exit_status != 0)) || fail "the program ended with status 0 after a failed revert"
reg export "$StoreKey" "$(winepath -w "$shots/store-after.reg")" /y >/dev/null || fail "reg export failed"
cmp "$shots/store-before.reg" "$shots/store-after.reg" || fail "the store changed after a failed revert"
rm -f "$shots"/store-*.reg
