#!/usr/bin/env bash
# scanning.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# A stored configuration at "Very High" (a pass every second): the entries of
# the active rules, planted with reg.exe, are gone within about two seconds
# and are deleted again when re-created; the entries of Unchecked and Grayed
# rules survive, and so does a key that has subkeys, whole.
source "$(dirname "$0")/lib.sh"

scratch=("$ScratchKey" "$ScratchKeyLM")
values=$ScratchKey'\Values'
parent=$ScratchKey'\Parent'
leaf=$ScratchKey'\Leaf'

mapfile -t overrides < <(
  echo "Reg${T}13${T}4"
  rule 1 1 1 'Software\VorlixE2E\Values' 'Active one'
  rule 2 1 0 'Software\VorlixE2E\Values' 'Unchecked'
  rule 3 1 2 'Software\VorlixE2E\Values' 'Grayed'
  rule 4 1 1 'Software\VorlixE2E\Parent' ''
  rule 5 1 1 'Software\VorlixE2E\Leaf' ''
  rule 6 2 1 'Software\VorlixE2E' 'Machine'
  rule 7 1 1 'Software\VorlixE2E\Values' 'Second'
)
store_configuration "${overrides[@]}"

tidy
for name in 'Active one' Unchecked Grayed Second; do plant_value "$values" "$name"; done
plant_value "$parent" 'Own value'
plant_value "$parent"'\Child' 'Child value'
plant_value "$leaf" 'Leaf value'
plant_value "$ScratchKeyLM" Machine

start_resident
gone=$(gone_within 10000 "$values" 'Active one')
echo "first pass: 'Active one' gone after $gone s"
gone_within 10000 "$values" Second >/dev/null
gone_within 10000 "$ScratchKeyLM" Machine >/dev/null
gone_within 10000 "$leaf" >/dev/null

plant_value "$values" 'Active one'
plant_value "$leaf" 'Leaf value'
plant_value "$ScratchKeyLM" Machine
gone=$(gone_within 10000 "$values" 'Active one')
echo "re-created: 'Active one' gone after $gone s"
gone_within 10000 "$leaf" >/dev/null
gone_within 10000 "$ScratchKeyLM" Machine >/dev/null

# Several passes have run by now.
has_value "$values" Unchecked || fail "the Unchecked rule's value was deleted"
has_value "$values" Grayed || fail "the Grayed rule's value was deleted"
has_value "$parent" 'Own value' || fail "the key with subkeys lost its value"
has_value "$parent"'\Child' 'Child value' || fail "the key with subkeys lost its subkey"

probe close || fail "no window to close"
ends_well "the close box"
store_holds "after the run" "${overrides[@]}"
