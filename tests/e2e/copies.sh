#!/usr/bin/env bash
# copies.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# One copy per user: two copies started together end as one; a later start
# shows the running copy's window and ends with status 0; the Restart
# Manager's close makes the copy save and end by itself; and an OK in the
# one copy survives the end of the session, where a second copy used to
# write its stale configuration over it.
source "$(dirname "$0")/lib.sh"

other_pid=
cleanup() { [[ -z $other_pid ]] || kill "$other_pid" 2>/dev/null || true; }

one_window() {
  [[ $(probe windows) == 1 ]] || fail "$(probe windows) windows of the program, not one"
}

# start_again: a later start in the same session; it must end at once, with
# status 0, and the running copy show its window.
start_again() {
  local status=0
  timeout 90 wine "$vorlix" || status=$?
  ((status == 0)) || fail "the later start ended with status $status"
  probe wait-visible 10000 || fail "the running copy did not show its window"
  kill -0 "$vorlix_pid" 2>/dev/null || fail "the running copy ended"
  one_window
}

stored=("Reg${T}13${T}1" "keydirs${T}5${T}Software\\Stored")
store_configuration "${stored[@]}"

# Two copies in the same instant: one ends with status 0, having asked the
# other for its window; the other runs on with its icon.
wine "$vorlix" &
vorlix_pid=$!
wine "$vorlix" &
other_pid=$!
end=$((SECONDS + 90))
while kill -0 "$vorlix_pid" 2>/dev/null && kill -0 "$other_pid" 2>/dev/null; do
  ((SECONDS < end)) || fail "both copies still run"
  sleep 0.2
done
if ! kill -0 "$vorlix_pid" 2>/dev/null; then
  read -r vorlix_pid other_pid <<<"$other_pid $vorlix_pid"
fi
status=0
wait "$other_pid" || status=$?
other_pid=
((status == 0)) || fail "the copy that gave way ended with status $status"
probe wait-icon 20000 || fail "the copy that runs has no tray icon"
probe wait-visible 10000 || fail "the copy that runs did not show its window"
kill -0 "$vorlix_pid" 2>/dev/null || fail "the copy that runs ended"
one_window
press cancel

# A later start while the window is hidden, and again while it is shown.
start_again
window_shot copies-second-start
start_again

# The Restart Manager closes the copy for an installer: the edit not yet
# confirmed is saved as at any end, and the copy ends by itself.
probe set-text key5 'Software\Before the update' || fail "could not edit key5"
probe close-app || fail "the copy did not agree to close for the installer"
ends_well "the installer's close"
stored=("Reg${T}13${T}1" "keydirs${T}5${T}Software\\Before the update")
store_holds "after the installer's close" "${stored[@]}"

# The issue's two starts: the second one's stale controls no longer exist
# to be saved over the user's OK when the session ends.
start_resident
start_again
probe set-text name5 'Confirmed with OK' || fail "could not edit name5"
press ok
confirmed=("${stored[@]}" "keynames${T}5${T}Confirmed with OK")
store_holds "after OK" "${confirmed[@]}"
end_session
ends_well "the end of the session"
store_holds "after the end of the session" "${confirmed[@]}"
