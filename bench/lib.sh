# Shared by the bench/run-* scripts, sourced first: their first argument is
# BUILD_DIR (default build/windows). Each run has a private Wine prefix on its
# own virtual desktop, made for it and removed after it.
# shellcheck shell=bash
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)

# built FILE...: the files of the build that the run needs, else it stops.
built() {
  local file
  for file; do
    [[ -f $build/$file ]] || { echo "no $build/$file: build it first with: cmake --build $build" >&2; exit 1; }
  done
}

# wine_session: starts the run's Wine session, for this shell and the
# programs it starts. At exit the script's own `cleanup`, if it has one,
# runs first, then the session is removed.
wine_session() {
  state=$(mktemp -d)
  trap 'if declare -F cleanup >/dev/null; then cleanup; fi; "$root/scripts/wine-session" stop "$state"' EXIT
  "$root/scripts/wine-session" start "$state"
  # shellcheck disable=SC1091
  source "$state/env"
  export VORLIX_WINE_STATE=$state
}

# unix_pid NAME: the Unix process of a Windows program (or the wine server)
# of this prefix.
unix_pid() {
  local p
  for p in /proc/[0-9]*; do
    grep -qz "^WINEPREFIX=$WINEPREFIX\$" "$p/environ" 2>/dev/null || continue
    [[ $(tr '\0' '\n' <"$p/cmdline" 2>/dev/null | head -1) == *"$1" ]] && { basename "$p"; return; }
  done
  return 1
}

# cpu_us PID: CPU time of a process in microseconds: the scheduler's own
# count, summed over its threads (Wine reports no times for another process,
# and /proc's stat counts in ticks of 10 ms).
cpu_us() { cat /proc/"$1"/task/*/schedstat | awk '{ ns += $1 } END { printf "%d", ns / 1000 }'; }
# cpu_over SECONDS PID...: the CPU time, in microseconds, that each process
# takes over SECONDS, on one line.
cpu_over() {
  local seconds=$1 pid i=0 before=()
  shift
  for pid; do before+=("$(cpu_us "$pid")"); done
  sleep "$seconds"
  for pid; do printf '%d ' $(($(cpu_us "$pid") - before[i++])); done
  echo
}

# program_bench COMMAND...: the helper that stores configurations and
# starts, stops and measures programs by their window class.
program_bench() { wine "$build/bench/program_bench.exe" "$@" | tr -d '\r'; }
# launch EXE CLASS: started through the helper, which waits for its window.
# The program keeps the output it inherits: not our pipe.
launch() {
  wine "$build/bench/program_bench.exe" start "$@" </dev/null >/dev/null 2>&1 || { echo "cannot start $1" >&2; exit 1; }
}
# shellcheck disable=SC2034  # for the scripts
VorlixClass=Vorlix.Form1

# stress_script NAME COUNT: the stress test tests/e2e/NAME.sh, run as long as
# COUNT says, with a new seed each run (printed by the script, so that a
# failure can be replayed with VORLIX_SEED).
stress_script() {
  built vorlix.exe tests/vorlix_probe.exe tests/vorlix_stress.exe
  export VORLIX_SEED=${VORLIX_SEED:-$((RANDOM * 32768 + RANDOM))}
  wine_session
  "$root/tests/e2e/$1.sh" "$build/vorlix.exe" "$build/tests/vorlix_probe.exe" "$build/screenshots" \
    "$build/tests/vorlix_stress.exe" "$2"
}
