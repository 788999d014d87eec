#!/usr/bin/env bash
# first_run.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# The first run with nothing stored: the icon appears, the window is never
# shown, and Exit from the menu leaves the 50 default entries in the store
# and ends the program with status 0.
source "$(dirname "$0")/lib.sh"

store_clear
has_key "$StoreKey" && fail "the store could not be emptied"

# Watching from before the program starts: not even one frame of the window.
probe never-shown 4000 &
watcher=$!
start_resident
[[ -n $(poll 10 icon_centre) ]] || fail "the icon is not drawn in the task bar"
wait "$watcher" || fail "the window was shown at start-up"
probe wait-hidden 100 || fail "the window is not hidden"
[[ -z $(store_dump) ]] || fail "the load step wrote to the store"

exit_from_menu
store_holds "after the first Exit"
icon_leaves_taskbar 10 || fail "the tray icon stayed after Exit"
