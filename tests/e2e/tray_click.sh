#!/usr/bin/env bash
# tray_click.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# The real program on the Wine session's virtual desktop, driven with real
# clicks: it starts hidden with its icon in the notification area; a right
# click on the icon opens the popup; "Configure" shows the window; "Exit"
# ends the program with status 0 and takes the icon away. Screenshots of the
# popup and of the window are written to SHOT_DIR.
source "$(dirname "$0")/lib.sh"
rm -f "$shots"/popup-*.png "$shots"/window*.png
store_clear

start_program
probe wait-hidden 100 || fail "the window is shown at start-up"

configure
window_shot window

exit_from_menu
probe wait-gone 100 || fail "the window outlived the program"
icon_leaves_taskbar 10 || fail "the tray icon stayed after Exit"
echo "screenshots in $shots"
