#!/usr/bin/env bash
# keep_killed.sh KEEP_STRESS_EXE [KILLS]
# The real deleter keeps and deletes an entry that is written back with new
# data at once, in a loop (keep_stress run); its process is stopped at a
# random moment, run on in steps of 2 ms, and killed, KILLS times (default
# 12). After each kill the archive must hold a copy of every entry that is
# gone, and the next run deletes what the kill left. Kills go on (at most
# KILLS more) until one has fallen between a copy's keeping and its
# deletion, else the run is inconclusive and fails.
set -euo pipefail
helper=${1:?keep_stress.exe}
kills=${2:-12}
# shellcheck disable=SC1091
source "${VORLIX_WINE_STATE:?run under the wine fixture}/env"
name=keep-killed-$$
pid=
trap '[[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null; wine reg delete "HKCU\Software\VorlixKeepKill" /f >/dev/null 2>&1 || true' EXIT
fail() { echo "FAIL at kill $kill: $*" >&2; exit 1; }
gone() { [[ ! -e /proc/$1 ]] || [[ $(awk '{print $3}' "/proc/$1/stat" 2>/dev/null) == Z ]]; }
counter() {
  local n
  n=$(wine reg query 'HKCU\Software\VorlixKeepKill' /v Counter 2>/dev/null | tr -d '\r' | awk '/Counter/ {print $3}')
  echo $((${n:-0}))
}
# stop_after PID MS STEPS: SIGSTOP after MS ms, then STEPS runs of 2 ms.
stop_after() {
  python3 -c '
import os, signal, sys, time
p, ms, steps = map(int, sys.argv[1:4])
time.sleep(ms / 1000)
os.kill(p, signal.SIGSTOP)
for _ in range(steps):
    os.kill(p, signal.SIGCONT); time.sleep(0.002); os.kill(p, signal.SIGSTOP)
' "$@"
}

RANDOM=${VORLIX_SEED:-4711}
between=0
for ((kill = 1; kill <= kills || (between == 0 && kill <= 2 * kills); kill++)); do
  before=$(counter)
  pid=$(sh -c 'wine "$1" run "$2" </dev/null >/dev/null 2>&1 & echo $!' sh "$helper" "$name")
  # Running once it counts; then stopped at a random moment.
  for ((wait = 0; wait < 300; wait++)); do (($(counter) > before)) && break; sleep 0.1; done
  (($(counter) > before)) || fail "the loop did not start within 30 s"
  stop_after "$pid" $((RANDOM % 200)) $((RANDOM % 8))
  kill -KILL "$pid"
  for ((wait = 0; wait < 300; wait++)); do gone "$pid" && break; sleep 0.1; done
  gone "$pid" || fail "the killed process still runs"
  pid=
  outcome=$(wine "$helper" check "$name" | tr -d '\r') || fail "copies lost: $outcome"
  echo "kill $kill: $outcome"
  [[ $outcome == between* ]] && between=$((between + 1))
done
((between > 0)) || { echo "FAIL: inconclusive: no kill of $((kill - 1)) fell between a keeping and its deletion" >&2; exit 1; }
echo "$((kill - 1)) kills, $between between a copy's keeping and its deletion: no copy lost"
