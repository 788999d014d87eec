#!/usr/bin/env bash
# service.sh VORLIX_EXE PROBE_EXE SHOT_DIR SERVICE_EXE MACHINE_KEYS_EXE
# "Vorlix machine rules" installed with sc.exe and started: rules in the
# machine store at "Instant" delete planted HKEY_LOCAL_MACHINE entries within
# a bounded wait and keep a neighbour; a changed store applies without a
# restart; a bad value applies nowhere while the rules read before go on; a
# store that others may write applies nothing; a rule through a registry
# link deletes nothing; sc stop ends it. Wine enforces no key permissions and
# keeps no event log: the trust decision and the events are tested natively.
source "$(dirname "$0")/lib.sh"
service_exe=${4:?vorlix-service.exe}
keys_exe=${5:?machine_keys.exe}

Name=VorlixMachineRules
Store='HKLM\SOFTWARE\Vennik\Vorlix'
Scratch='HKLM\Software\VorlixServiceE2E'
Secure='O:BAD:PAI(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)'
Open='O:BAD:PAI(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KA;;;WD)'

sc() { wine sc "$@" 2>&1 | tr -d '\r'; }
state() { sc query "$Name" | awk '/STATE/ {print $4}'; }
is_state() { [[ $(state) == "$1" ]] && echo "$1"; }
cleanup() {
  sc stop "$Name" >/dev/null || true
  poll 20 is_state STOPPED >/dev/null || true
  sc delete "$Name" >/dev/null || true
}
scratch=("$Store" "$Scratch")
keys() { wine "$keys_exe" "$@" >/dev/null || fail "machine_keys $*"; }
# set SECTION KEY TEXT: one entry of the machine store.
set_entry() { reg add "$Store\\$1" /v "$2" /d "$3" /f >/dev/null || fail "could not write $1\\$2"; }
secure() {
  keys sddl 'SOFTWARE\Vennik\Vorlix' "$1"
  for section in "${Sections[@]}"; do keys sddl "SOFTWARE\\Vennik\\Vorlix\\$section" "$1"; done
}
still_there() { has_value "$1" "$2" || fail "$3"; }

tidy
# The rules: 1 a value next to a neighbour, 2 the same through a link.
for section in "${Sections[@]}"; do reg add "$Store\\$section" /f >/dev/null; done
secure "$Secure"
set_entry Reg 13 5
set_entry Reg 1 2; set_entry EnableKeys 1 1
set_entry keydirs 1 'Software\VorlixServiceE2E\Machine'; set_entry keynames 1 Updater
set_entry Reg 2 2; set_entry EnableKeys 2 1
set_entry keydirs 2 'Software\VorlixServiceE2E\Link'; set_entry keynames 2 Victim
plant_value "$Scratch\\Machine" Updater
plant_value "$Scratch\\Machine" Kept
plant_value "$Scratch\\Target" Victim
keys link 'Software\VorlixServiceE2E\Link' '\Registry\Machine\Software\VorlixServiceE2E\Target'
has_value "$Scratch\\Link" Victim || fail "the registry link does not lead to its target here"

binary=$(winepath -w "$service_exe" | tr -d '\r')
sc create "$Name" binPath= "$binary" start= auto DisplayName= "Vorlix machine rules" >/dev/null
poll 10 is_state STOPPED >/dev/null || fail "sc create did not install the service: $(sc query "$Name")"
# The first start calls in a fresh prefix may fail: ask until it runs.
end=$((SECONDS + 60))
until [[ $(state) == RUNNING ]]; do
  ((SECONDS < end)) || fail "the service did not start: $(sc query "$Name")"
  [[ $(state) == STOPPED ]] && sc start "$Name" >/dev/null
  sleep 0.5
done

t=$(gone_within 15000 "$Scratch\\Machine" Updater)
echo "at start: gone after $t s"
for round in 1 2; do
  plant_value "$Scratch\\Machine" Updater
  t=$(gone_within 5000 "$Scratch\\Machine" Updater)
  echo "Instant, round $round: gone after $t s"
done
still_there "$Scratch\\Machine" Kept "the neighbour was deleted"
still_there "$Scratch\\Target" Victim "a rule deleted through a registry link"

# A rule added to the running service.
set_entry Reg 3 2; set_entry keydirs 3 'Software\VorlixServiceE2E\Second'; set_entry keynames 3 Later
plant_value "$Scratch\\Second" Later
set_entry EnableKeys 3 1
t=$(gone_within 15000 "$Scratch\\Second" Later)
echo "a rule added: its entry gone after $t s"

# A bad value first, then a change that would delete the neighbour: nothing
# of it applies, and rule 1 goes on as read before.
set_entry Reg 4 9
set_entry keynames 1 Kept
sleep 3  # read 0.2 s after the last change (Wine keeps no event to show it)
plant_value "$Scratch\\Machine" Updater
t=$(gone_within 5000 "$Scratch\\Machine" Updater)
echo "with a bad value: the earlier rule's entry gone after $t s"
still_there "$Scratch\\Machine" Kept "a store with a bad value was applied"
# Corrected: the change applies.
reg delete "$Store\\Reg" /v 4 /f >/dev/null
t=$(gone_within 15000 "$Scratch\\Machine" Kept)
echo "corrected: the changed rule's entry gone after $t s"
# At Very High, where only the timer deletes: the same.
set_entry Reg 13 4; sleep 3; set_entry Reg 4 9; sleep 3  # read whole, then read bad
plant_value "$Scratch\\Machine" Kept; t=$(gone_within 5000 "$Scratch\\Machine" Kept)
echo "at Very High, with a bad value read: gone after $t s"
reg delete "$Store\\Reg" /v 4 /f >/dev/null; set_entry Reg 13 5

# Writable by everyone: nothing applies; secured again: the rules are back.
secure "$Open"
set_entry keynames 1 Updater
sleep 3  # no visible sign of a rule not applied; the service reads within 0.2 s
plant_value "$Scratch\\Machine" Updater
sleep 3  # at Instant an applied rule takes well under a second (above)
still_there "$Scratch\\Machine" Updater "rules applied from a store that everyone may write"
secure "$Secure"
# Wine reports no permission change, and nothing for a value rewritten as it
# was: a new value makes the service read the store again.
set_entry Reg Enabled 1
t=$(gone_within 15000 "$Scratch\\Machine" Updater)
echo "secured again: gone after $t s"
plant_value "$Scratch\\Machine" Updater; t=$(gone_within 5000 "$Scratch\\Machine" Updater)
echo "secured again, planted: gone after $t s"
still_there "$Scratch\\Target" Victim "a rule deleted through a registry link"

# Emptied, then its key deleted and written again: the store is read again.
for section in "${Sections[@]}"; do reg delete "$Store\\$section" /f >/dev/null; done
sleep 3; reg delete "$Store" /f >/dev/null; plant_value "$Scratch\\Machine" Updater  # once read empty
set_entry Reg 1 2; set_entry EnableKeys 1 1; set_entry keydirs 1 'Software\VorlixServiceE2E\Machine'
set_entry keynames 1 Updater; secure "$Secure"; set_entry Reg 13 5  # a read after securing
t=$(gone_within 15000 "$Scratch\\Machine" Updater)
echo "the store's key deleted and written again: gone after $t s"

sc stop "$Name" >/dev/null
poll 10 is_state STOPPED >/dev/null || fail "sc stop did not end the service: $(sc query "$Name")"
plant_value "$Scratch\\Machine" Updater
sleep 2  # as above: what a running service would have deleted by now
still_there "$Scratch\\Machine" Updater "a stopped service still deletes"
echo "stopped"

# What it deleted, kept under %ProgramData% and exported by the command.
# Wine gives a service C:\users\Public as %ProgramData% and a program run
# from the shell C:\ProgramData (Windows gives both the latter): the record
# is put where the command looks, as it would be on Windows.
record=$WINEPREFIX/drive_c/users/Public/Vorlix/deleted-entries.vdk
[[ -s $record ]] || fail "no record under the service's ProgramData; found: $(find "$WINEPREFIX/drive_c" -name deleted-entries.vdk)"
mkdir -p "$WINEPREFIX/drive_c/ProgramData/Vorlix" && cp "$record" "$WINEPREFIX/drive_c/ProgramData/Vorlix/"
exported=$(mktemp -d)/machine.reg
said=$(wine "$service_exe" export "$(winepath -w "$exported")" | tr -d '\r') || fail "export failed: $said"
[[ $said == 'Saved '*' kept copies of '*' deleted entries from C:\ProgramData\Vorlix\'* ]] || fail "export said: $said"
[[ $(head -c 6 "$exported" | od -An -tx1 | tr -d ' \n') == fffe57006900 ]] || fail "no BOM and header"
iconv -f UTF-16 -t UTF-8 "$exported" | tr -d '\r' | grep -qx '\[HKEY_LOCAL_MACHINE\\Software\\VorlixServiceE2E\\Machine\]' ||
  fail "the export lacks the deleted value's key"
echo "export: $said"
