#!/usr/bin/env bash
# open_message.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# A message box runs its own message loop, so timer ticks, the icon's clicks
# and the end of the session all arrive while it is open. (The system ends
# the process after the end of the session with a status of its own, so
# only what the program did is checked then.) None of them may
# act on a flow that is still in progress:
# - a load that failed half way runs no pass, and an end of the session
#   during its message writes nothing;
# - the same after a failed CANCEL, where a click on the icon brings the
#   message to the front instead of opening a menu;
# - while the failed exit save asks Retry or Cancel, the icon brings the
#   question to the front; Retry saves, and an end of the session makes one
#   last try without asking.
source "$(dirname "$0")/lib.sh"

SettingsBase='HKCU\Software\VB and VBA Program Settings'
demo=$ScratchKey'\Demo\k'
scratch=("$SettingsBase" "$ScratchKey")

# icon_click_shows_message: a right click on the icon opens no menu and
# brings the open message to the front.
icon_click_shows_message() {
  local x y
  read -r x y < <(poll 20 icon_centre) || fail "no tray icon in the task bar"
  xdotool mousemove "$x" "$y" click 3
  probe msgbox-front 5000 || fail "the message stayed behind after a click on the icon"
  probe wait-menu 1000 >/dev/null && fail "the menu opened while a message was open"
  return 0
}
sound=("Reg${T}13${T}4" "Reg${T}1${T}1" "EnableKeys${T}1${T}1" "keydirs${T}1${T}Software\\VorlixE2E\\Demo\\k"
       "keynames${T}1${T}v")

# 1. A load that fails at "keynames" "1", after "Reg" "Enabled" has started
# the timer: no pass may run on slot 1 while its name is still empty (that
# path would name the whole key), and the end of the session writes nothing.
tidy
plant_value "$demo" v
plant_value "$demo" other
store_configuration "${sound[@]}"
reg add "$StoreKey\\keynames" /v 1 /t REG_DWORD /d 1 /f >/dev/null || fail "could not store a REG_DWORD"
export_store before
start_program
text=$(probe wait-msgbox 20000) || fail "no message about the bad value"
[[ $text == *'"keynames" "1"'* ]] || fail "the message does not name \"keynames\" \"1\": $text"
sleep 3
has_value "$demo" other || fail "a pass deleted the key behind the load's message"
has_value "$demo" v || fail "a pass ran behind the load's message"
end_session
wait_end 15
store_unchanged "the end of the session wrote the half-loaded window"

# 2. CANCEL meets a bad stored value: the icon brings the message forward, and
# the end of the session writes nothing, not even the unconfirmed edit.
store_configuration "${sound[@]}"
cancel_over_bad_reg7
probe wait-msgbox 20000 >/dev/null || fail "no message about the bad value at CANCEL"
icon_click_shows_message
shot "$shots/message-in-front.png"
end_session
wait_end 15
store_unchanged "the store changed after a failed revert"
has_value "$demo" other || fail "the neighbour of the rule's value was deleted"

# 3. The exit save fails: below a volatile key the registry refuses the
# store's lasting keys. The icon brings the question forward; once the store
# can be written, Retry saves and the run ends well.
volatile_store() {
  reg delete "$SettingsBase" /f >/dev/null || true
  probe volatile-key 'Software\VB and VBA Program Settings' || fail "could not make the settings key volatile"
}
volatile_store
start_resident
probe close || fail "no window to close"
text=$(probe wait-msgbox 20000) || fail "no question after the failed exit save"
[[ $text == *"could not"* || $text == *"cannot"* ]] || fail "the question does not say what failed: $text"
icon_click_shows_message
reg delete "$SettingsBase" /f >/dev/null || fail "could not make the store writable again"
probe msgbox-press 4 || fail "could not press Retry"
ends_well "Retry after a failed exit save"
store_holds "after Retry"

# ... and the end of the session during the question makes one last try
# without asking, then ends with the icon gone.
volatile_store
start_resident
configure
probe set-text name2 'Saved at the end' || fail "could not edit name2"
probe close || fail "no window to close"
probe wait-msgbox 20000 >/dev/null || fail "no question after the failed exit save"
reg delete "$SettingsBase" /f >/dev/null || fail "could not make the store writable again"
end_session
wait_end 15
icon_leaves_taskbar 10 || fail "the icon stayed after the end of the session"
store_holds "after the end of the session" "keynames${T}2${T}Saved at the end"
rm -f "$shots"/store-*.reg
