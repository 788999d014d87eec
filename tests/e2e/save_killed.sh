#!/usr/bin/env bash
# save_killed.sh VORLIX_EXE PROBE_EXE SHOT_DIR STRESS_EXE [KILLS]
# OK is clicked on a new configuration and the program's process is stopped
# a random moment later, run on in short steps while it has not begun to
# write, and killed (SIGKILL), KILLS times (default 12). Each time every
# stored entry holds the stored text from before or the window's (an enable
# entry may also hold 0: the rule is kept off while its parts change), no
# enabled rule mixes the two, and the next start loads the store as it is.
# The moments adapt towards the save, so most cuts fall inside it; kills go
# on (at most KILLS more) until one has fallen inside it, else the run is
# inconclusive and fails. Every failure names the kill and what was seen.
source "$(dirname "$0")/lib.sh"
stress_exe=${4:?vorlix_stress.exe}
kills=${5:-12}
set -E
trap 'status=$?; fail "line $LINENO: \"$BASH_COMMAND\" failed with status $status"' ERR

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }

# click_then_stop PID MS: a real click where the pointer is, and SIGSTOP to
# the program's wine process MS milliseconds after xdotool was started (the
# save can be over before xdotool itself has ended).
click_then_stop() {
  python3 -c '
import os, signal, subprocess, sys, time
start = time.monotonic()
click = subprocess.Popen(["xdotool", "click", "1"])
time.sleep(max(0.0, start + int(sys.argv[2]) / 1000 - time.monotonic()))
os.kill(int(sys.argv[1]), signal.SIGSTOP)
sys.exit(click.wait())
' "$1" "$2"
}
# run_briefly PID: lets the stopped program run for 2 ms.
run_briefly() {
  python3 -c 'import os, signal, sys, time; p = int(sys.argv[1]); os.kill(p, signal.SIGCONT); time.sleep(0.002); os.kill(p, signal.SIGSTOP)' "$1"
}

# Started apart from this shell, which would otherwise report each kill.
start_apart() {
  local started=$SECONDS
  vorlix_pid=$(sh -c 'wine "$1" </dev/null >/dev/null 2>&1 & echo $!' sh "$vorlix")
  probe wait-window 60000 || fail "no window $((SECONDS - started)) s after the start ($(seen))"
  probe wait-icon 60000 || fail "no tray icon $((SECONDS - started)) s after the start ($(seen))"
}
# gone PID: the process has ended (a zombie counts: its parent is not us).
gone() { [[ ! -e /proc/$1 ]] || [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) == Z ]]; }

# What there is to see, for failure messages.
seen() {
  local process=running window=none
  [[ -n $vorlix_pid ]] && ! gone "$vorlix_pid" || process=ended
  probe wait-window 0 && window=hidden
  probe wait-visible 0 && window=shown
  echo "process $process, window $window, icon $(probe wait-icon 0 && echo shown || echo none)"
}

# cut_outcome OLD NEW CUT: checks a cut store against the two configurations
# (files of store_dump lines); prints before, during or after.
cut_outcome() {
  python3 -c '
import sys
def load(path):
    entries = {}
    for line in open(path, encoding="utf-8").read().split("\n"):
        if line:
            section, key, value = line.split("\t", 2)
            entries[(section, key)] = value
    return entries
old, new, cut = (load(p) for p in sys.argv[1:4])
assert len(cut) == 50 and cut.keys() == old.keys() == new.keys(), "not the 50 entries"
faults = []
for (section, key), value in cut.items():
    if value not in (old[(section, key)], new[(section, key)]) and not (section == "EnableKeys" and value == "0"):
        faults.append(f"{section} {key} holds {value!r}: neither before ({old[(section, key)]!r}) nor after ({new[(section, key)]!r})")
def parts(c, n):
    return tuple(c[(s, n)] for s in ("Reg", "keydirs", "keynames"))
for n in map(str, range(1, 13)):
    if cut[("EnableKeys", n)] != "1":
        continue
    whole = any(c[("EnableKeys", n)] == "1" and parts(cut, n) == parts(c, n) for c in (old, new))
    if not whole:
        faults.append(f"rule {n} is enabled with parts {parts(cut, n)} from before {parts(old, n)} and after {parts(new, n)}")
if faults:
    print("\n".join(faults))
    sys.exit(1)
print("before" if cut == old else "after" if cut == new else "during")
' "$@"
}

seed_random 987255311
store_clear
stress store-random "$seed" || fail "could not store the first configuration"
start_apart

before=0 during=0 after=0
lo=0 hi=120  # milliseconds after the click; narrowed towards the save
for ((kill = 1; kill <= kills || (during == 0 && kill <= 2 * kills); kill++)); do
  step="kill $kill" round=$SECONDS
  configure
  stress window-random $((seed + kill)) || fail "could not set the window's configuration"
  stress store-dump >"$work/old" || fail "could not read the store before the click"
  probe dump >"$work/new" || fail "no window to dump before the click ($(seen))"
  read -r x y < <(probe control-centre ok) || fail "no OK button ($(seen))"
  xdotool mousemove "$x" "$y"
  delay=$((lo + RANDOM % (hi - lo + 1)))
  click_then_stop "$vorlix_pid" "$delay" || fail "the click on OK at $x,$y failed"
  # On a busy machine the moment of the save varies more than the save
  # lasts: while the stopped program has not begun to write, it runs on in
  # short steps, so that the kill falls during the save more often.
  for ((steps = 0; steps < 20; steps++)); do
    stress store-dump >"$work/cut" || fail "could not read the store of the stopped program"
    [[ $(cut_outcome "$work/old" "$work/new" "$work/cut") == before ]] || break
    run_briefly "$vorlix_pid"
  done
  kill -KILL "$vorlix_pid"
  killed=$SECONDS
  for ((wait = 0; wait < 300; wait++)); do gone "$vorlix_pid" && break; sleep 0.1; done
  gone "$vorlix_pid" || fail "the process killed $delay ms after the click still ran $((SECONDS - killed)) s later"
  vorlix_pid=
  probe wait-gone 30000 || fail "the window outlived its killed process by $((SECONDS - killed)) s ($(seen))"

  stress store-dump >"$work/cut" || fail "could not read the store after the kill"
  outcome=$(cut_outcome "$work/old" "$work/new" "$work/cut") ||
    fail "the kill $delay ms after the click left the store unsafe:
$outcome"
  echo "kill $kill: $delay ms after the click and $steps steps of 2 ms, $outcome ($((SECONDS - round)) s)"
  case $outcome in
    before) before=$((before + 1)) lo=$((delay - 10 > lo ? delay - 10 : lo)) ;;
    after) after=$((after + 1)) hi=$((delay + 10 < hi ? delay + 10 : hi)) ;;
    during) during=$((during + 1)) ;;
  esac
  # Keep a window of 20 ms at least: the save does not start at the same
  # moment after every click.
  if ((hi - lo < 20)); then
    lo=$((lo > 10 ? lo - 10 : 0))
    hi=$((lo + 30))
  fi

  # The next start loads the store as it is, and is the next round's program.
  start_apart
  # The window gets its controls, filled with what was loaded, when shown.
  configure
  # Polled: once in a full run the probe read no window right after a kill,
  # although the new program had added its icon (cause not found; the
  # virtual desktop restarts when its last program goes).
  started=$SECONDS
  shown=$(poll 60 probe dump) || fail "the window could not be dumped $((SECONDS - started)) s after the start ($(seen))"
  same_lines "the window at the start after the kill" "$(cat "$work/cut")" "$shown"
done
step=
((during > 0)) || fail "inconclusive: none of $((kill - 1)) kills fell during a save (before $before, after $after)"

echo "killed $((kill - 1)) times between the click on OK and the end of the save:"
echo "  before its first write $before, during it $during, after its last write $after"
echo "  (final window for the kill: $lo to $hi ms after the click)"
probe close || fail "no window to close"
probe wait-gone 15000 || fail "the program did not end"
