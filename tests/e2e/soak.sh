#!/usr/bin/env bash
# soak.sh VORLIX_EXE PROBE_EXE SHOT_DIR STRESS_EXE [SECONDS]
# vorlix.exe at "Very High" with twelve active rules for SECONDS (default
# 30), while vorlix_stress plants the rules' entries again at random moments
# (values and leaf keys, non-ASCII names, five hives, and a key with a
# subkey that must survive) and the window is driven at random moments:
# Configure from a real right click on the icon, edits, OK, CANCEL, the
# scanner box. Fails when an entry survives a pass that should have deleted
# it, when the key with a subkey goes, when the store differs from what the
# last OK or the exit wrote, or when the program's handles, GDI objects,
# windows or private bytes grow beyond their noise bound.
source "$(dirname "$0")/lib.sh"
stress_exe=${4:?vorlix_stress.exe}
seconds=${5:-30}

# Growth from the warmed-up program to the end that is still noise: Wine
# opens each predefined root key once, when it is first used (an edit that
# picks HKEY_CURRENT_CONFIG adds a handle for good), and its heap settles in
# steps. A leak of one handle or object per pass or per episode exceeds
# these within a minute.
HandleBound=2 GdiBound=4 UserBound=0 PrivateBoundKiB=1024

scratch=('HKCU\Software\VorlixSoak' 'HKLM\Software\VorlixSoak' 'HKU\.DEFAULT\Software\VorlixSoak'
         'HKCR\VorlixSoak.Type')
planter_pid=
cleanup() {
  [[ -n $planter_pid ]] && kill "$planter_pid" 2>/dev/null || true
  reg delete 'HKCU' /v 'VorlixSoak root value' /f >/dev/null || true
}

seed_random 20261207
pause() { sleep "$(awk -v a="$1" -v b="$2" -v r=$RANDOM 'BEGIN { printf "%.2f", a + (b - a) * r / 32767 }')"; }

# --- the planter: a coprocess that answers "busy" and "ready" with "ok" ---
tell() {
  local answer
  echo "$1" >&"$planter_in"
  read -r -t 30 answer <&"$planter_out" || fail "the planter did not answer '$1'"
  [[ ${answer%$'\r'} == ok ]] || fail "the planter answered '$answer' to '$1'"
}

# --- the program's figures ---
declare -A figures=()
measure() {  # measure NAME: figures[NAME.handles] and so on
  local line field
  line=$(stress resources) || fail "could not read the program's figures"
  for field in $line; do figures[$1.${field%%=*}]=${field#*=}; done
}

# --- episodes at random moments; each ends with the soak rules confirmed ---
declare -A episodes=()
stored_as_shown=0 stored_differs=0
ok_and_check() {
  press ok
  if [[ $(stress store-dump) == "$(probe dump)" ]]; then
    stored_as_shown=$((stored_as_shown + 1))
  else
    stored_differs=$((stored_differs + 1))
    echo "after OK the store differs from the window" >&2
  fi
}
edits() { local n; for ((n = 1 + RANDOM % 2; n > 0; n--)); do stress window-edit $RANDOM || fail "could not edit"; done; }
scanner_box_twice() {
  click_control scanenabled
  pause 0.2 1
  click_control scanenabled
  [[ $(probe value scanenabled) == 1 ]] || fail "two clicks left the scanner box unticked"
}
episode() {
  local kind
  case $((RANDOM % 5)) in
    0) kind="Configure, OK"
       configure; pause 0 1.5; ok_and_check ;;
    1) kind="edit, OK, scan, restore, OK"
       configure; edits; ok_and_check; pause 1 3
       configure; stress window-soak || fail "could not restore the rules"; ok_and_check ;;
    2) kind="edit, CANCEL, Configure, OK"
       configure; edits; press cancel
       pause 0 2; configure; ok_and_check ;;
    3) kind="scanner box off and on, scan while shown, OK"
       configure; scanner_box_twice; pause 1 3; ok_and_check ;;
    4) kind="scanner box, edit while scanning, restore, OK"
       configure; scanner_box_twice; edits; pause 1 2
       stress window-soak || fail "could not restore the rules"; ok_and_check ;;
  esac
  episodes[$kind]=$((${episodes[$kind]:-0} + 1))
  last_episode=$kind
}

# After every episode: where a figure first rises above its warmed-up value
# says which episode costs it.
rises=
sample() {
  local field
  measure now
  for field in handles gdi user; do
    if ((${figures[now.$field]} > ${figures[high.$field]:-${figures[warm.$field]}})); then
      rises+="    $field ${figures[high.$field]:-${figures[warm.$field]}} -> ${figures[now.$field]} after \"$last_episode\" at $((SECONDS - started)) s"$'\n'
      figures[high.$field]=${figures[now.$field]}
    fi
  done
}

tidy
store_clear
stress store-soak || fail "could not store the soak configuration"
start_resident
coproc PLANTER { wine "$stress_exe" plant "$seed" 2>&1; }
planter_pid=$PLANTER_PID
# Bash forgets the coprocess's descriptors once it has ended; keep copies.
exec {planter_in}>&"${PLANTER[1]}" {planter_out}<&"${PLANTER[0]}"
measure start

# Warm up: the first Configure and OK load what the program keeps for good.
tell busy
configure; ok_and_check
tell ready
pause 2 3
measure warm

started=$SECONDS
end=$((SECONDS + seconds))
while ((SECONDS < end)); do
  pause 1 4  # scanning with the soak rules, judged
  ((SECONDS < end)) || break
  tell busy
  episode
  sample
  tell ready
done
pause 2 3
tell busy
measure end

# Exit saves what the window shows.
shown=$(probe dump) || fail "no window to dump"
exit_from_menu
[[ $(stress store-dump) == "$shown" ]] && exit_saved=yes || exit_saved=no

echo stop >&"$planter_in"
declare -A planted=()
while read -r -t 30 key value <&"$planter_out"; do planted[$key]=${value%$'\r'}; done
wait "$planter_pid" || true
planter_pid=

# --- report ---
echo "soak: $seconds s at \"Very High\", twelve active rules, seed $seed"
printf '  %-44s %8s\n' "passes run (counted by the canary rule)" "${planted[passes]:-?}" \
  "entries re-created by the planter" "${planted[recreated]:-?}" \
  "planted entries judged by a later pass" "${planted[judged]:-?}" \
  "entries that survived a pass" "${planted[survived]:-?}" \
  "key with a subkey deleted" "${planted[key_with_subkey_lost]:-?}"
[[ -n ${planted[survivors]:-} ]] && echo "  survivors in rules: ${planted[survivors]}"
echo "  episodes:"
for kind in "${!episodes[@]}"; do printf '    %-48s %4d\n' "$kind" "${episodes[$kind]}"; done
echo "  store equal to the window after each OK: $stored_as_shown of $((stored_as_shown + stored_differs))"
echo "  store equal to what the exit wrote: $exit_saved"
echo "  program figures              start  warmed up      end   growth  bound"
growth_faults=()
row() {  # row LABEL FIELD BOUND [DIVISOR]
  local div=${4:-1} s w e
  s=$((${figures[start.$2]} / div)) w=$((${figures[warm.$2]} / div)) e=$((${figures[end.$2]} / div))
  printf '  %-24s %9d %10d %8d %8d %6d\n' "$1" "$s" "$w" "$e" $((e - w)) "$3"
  ((e - w <= $3)) || growth_faults+=("$1 grew by $((e - w)), more than $3")
}
row "handles" handles $HandleBound
row "GDI objects" gdi $GdiBound
row "USER objects (windows)" user $UserBound
row "private bytes, KiB" private $PrivateBoundKiB 1024
if [[ -n $rises ]]; then
  echo "  rises above the warmed-up figures, sampled after each episode:"
  printf '%s' "$rises"
fi
echo "  Wine 8 answers GetProcessHandleCount and GetGuiResources with" \
  "${figures[end.api_handles]}, ${figures[end.api_gdi]} and ${figures[end.api_user]}: handles are counted from"
echo "  SystemHandleInformation, GDI objects in the process's GDI handle table, USER objects"
echo "  as its windows (Wine reports no count of its menus and icons), private bytes as"
echo "  Wine's PagefileUsage (resident anonymous memory and swap of the wine process)."

((${planted[passes]:-0} > 0)) || fail "no pass ran"
((${planted[judged]:-0} > 0)) || fail "no planted entry was judged: the run proves nothing"
((${planted[survived]:-1} == 0)) || fail "entries survived a pass: rules ${planted[survivors]:-?}"
((${planted[key_with_subkey_lost]:-1} == 0)) || fail "the key with a subkey was deleted"
((stored_differs == 0)) || fail "after $stored_differs OK the store differed from the window"
[[ $exit_saved == yes ]] || fail "the store differs from what the exit wrote"
((${#growth_faults[@]} == 0)) || fail "$(printf '%s; ' "${growth_faults[@]}")"
