#!/usr/bin/env bash
# end_session.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# Logoff: the system ending the session unloads the window like Exit, and
# the save of edits never confirmed with OK finishes before the program ends.
source "$(dirname "$0")/lib.sh"

store_configuration "Reg${T}13${T}1"

start_resident
configure
probe set-text key5 'Software\Edited before logoff' || fail "could not edit key5"
# What the system does at logoff: WM_QUERYENDSESSION, then WM_ENDSESSION.
end_session
ends_well "the end of the session"
store_holds "after logoff" "Reg${T}13${T}1" "keydirs${T}5${T}Software\\Edited before logoff"
