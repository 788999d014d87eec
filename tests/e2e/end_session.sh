#!/usr/bin/env bash
# end_session.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# Logoff: the system ending the session unloads the window like Exit, and
# the save of edits never confirmed with OK finishes before the program ends.
set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
source "$(dirname "$0")/lib.sh"

store_clear
configuration "Reg${T}13${T}1" | store_plant

start_resident
configure
probe set-text "$(id_key 5)" 'Software\Edited before logoff' || fail "could not edit key5"
# What the system does at logoff: WM_QUERYENDSESSION, then WM_ENDSESSION.
wine wineboot --end-session </dev/null >/dev/null 2>&1 || fail "wineboot could not end the session"
wait_end 15
((exit_status == 0)) || fail "the end of the session ended the program with status $exit_status"
same_lines "the store after logoff" \
  "$(configuration "Reg${T}13${T}1" "keydirs${T}5${T}Software\\Edited before logoff")" "$(store_dump)"
