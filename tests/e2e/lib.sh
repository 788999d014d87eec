# Shared by the end-to-end scripts: the real vorlix.exe on the Wine session's
# virtual desktop, driven with real clicks and the Win32 helper vorlix_probe,
# its settings checked and planted with reg.exe.
#
# A script sources this file first; its arguments start with those that
# ctest gives every script: VORLIX_EXE PROBE_EXE SHOT_DIR. Every wait polls
# for its effect with a bounded time.

set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
# shellcheck disable=SC1091
source "${VORLIX_WINE_STATE:?run under the wine fixture}/env"
mkdir -p "$shots"

StoreKey='HKCU\Software\VB and VBA Program Settings\StartUp'
StoreLocation='HKEY_CURRENT_USER\Software\VB and VBA Program Settings\StartUp'
# Entries that the rules of a test delete live below these keys.
ScratchKey='HKCU\Software\VorlixE2E'
ScratchKeyLM='HKLM\Software\VorlixE2E'

vorlix_pid=
stop_program() {
  [[ -n $vorlix_pid ]] && kill "$vorlix_pid" 2>/dev/null || true
}
# tidy: runs the script's own `cleanup`, if it has one, and deletes the keys
# it lists in $scratch. At exit, after the program is stopped; a script also
# runs it before it plants, to start from a clean registry.
scratch=()
tidy() {
  if declare -F cleanup >/dev/null; then cleanup; fi
  local key
  for key in "${scratch[@]}"; do reg delete "$key" /f >/dev/null || true; done
}
trap 'stop_program; tidy' EXIT

# $step, when a script sets it, names the round a failure happened in.
step=
fail() {
  echo "FAIL${step:+ at $step}: $*" >&2
  import -window root "$shots/failure-$(basename "$0" .sh).png" || true
  exit 1
}
# Wine's console ends lines with CR LF.
probe() { wine "$probe_exe" "$@" | tr -d '\r'; }
reg() { wine reg "$@" 2>&1 | tr -d '\r'; }
# The second helper of the stress runs, and their seed: fixed as a test,
# any for a benchmark (VORLIX_SEED).
stress() { wine "${stress_exe:?}" "$@" | tr -d '\r'; }
seed_random() {  # seed_random DEFAULT
  seed=${VORLIX_SEED:-$1}
  echo "seed $seed (VORLIX_SEED=$seed repeats the run's choices)"
  RANDOM=$((seed % 32768))
}
end_session() { wine wineboot --end-session </dev/null >/dev/null 2>&1 || fail "wineboot could not end the session"; }
shot() { import -window root "$1"; }
# Microseconds, for timing what the program does.
now() { echo "${EPOCHREALTIME/./}"; }
# since START: seconds since START, to a tenth.
since() { local d=$(($(now) - $1)); printf '%d.%d\n' $((d / 1000000)) $((d / 100000 % 10)); }

# pixels FILE LEFT TOP RIGHT BOTTOM MODE: looks at a rectangle of a
# screenshot. MODE cyan prints the centre "x y" of its pure cyan pixels (our
# cubes are the only ones in the task bar); MODE text prints how many dark
# text pixels it holds. Prints nothing when there are too few.
pixels() {
  convert "$1" -crop "$(($4 - $2))x$(($5 - $3))+$2+$3" +repage ppm:- | python3 -c '
import sys
left, top, mode = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
data = sys.stdin.buffer.read()
magic, w, h, depth, pixels = data.split(maxsplit=4)
w, h = int(w), int(h)
xs, ys = [], []
for i in range(w * h):
    r, g, b = pixels[3 * i:3 * i + 3]
    if (mode == "cyan" and (r, g, b) == (0, 255, 255)) or (mode == "text" and r + g + b < 120):
        xs.append(i % w); ys.append(i // w)
if len(xs) >= 8:
    print(f"{left + round(sum(xs) / len(xs))} {top + round(sum(ys) / len(ys))}" if mode == "cyan" else len(xs))
' "$2" "$3" "$6"
}

# The centre of our icon in the task bar, from its pixels; nothing if absent.
icon_centre() {
  local left top right bottom
  read -r left top right bottom < <(probe tray-rect) || return 0
  shot "$shots/.tray.png"
  pixels "$shots/.tray.png" "$left" "$top" "$right" "$bottom" cyan
  rm -f "$shots/.tray.png"
}

# icon_leaves_taskbar SECONDS: our icon's pixels are gone from the task bar
# (once the program has gone, the probe has no window to ask the shell about).
icon_leaves_taskbar() {
  local end=$((SECONDS + $1))
  while [[ -n $(icon_centre) ]]; do
    ((SECONDS < end)) || return 1
    sleep 0.2
  done
}

# poll SECONDS COMMAND...: runs COMMAND until it prints something.
poll() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds)) out
  while ((SECONDS < end)); do
    out=$("$@") && [[ -n $out ]] && { echo "$out"; return 0; }
    sleep 0.2
  done
  return 1
}

# painted FILE LEFT TOP RIGHT BOTTOM: screenshots until the rectangle shows
# text, i.e. the window in it has been drawn.
painted() {
  shot "$1"
  pixels "$@" text
}

# right_click_icon_and_choose ITEM NAME: a real right click on the icon, then
# a real left click on item ITEM (0 Configure, 1 Exit) of the popup. The
# popup's screenshot goes to $shots/popup-NAME.png.
right_click_icon_and_choose() {
  local item=$1 name=$2 x y left top right bottom
  read -r x y < <(poll 20 icon_centre) || fail "no tray icon in the task bar within 20 s"
  local icon_x=$x icon_y=$y
  xdotool mousemove "$x" "$y" click 3
  read -r left top right bottom < <(probe wait-menu 5000) || fail "no popup menu within 5 s of a right click at $x,$y"
  poll 5 painted "$shots/popup-$name.png" "$left" "$top" "$right" "$bottom" >/dev/null ||
    fail "the popup menu at $left,$top was not drawn within 5 s"
  read -r x y < <(probe menu-item "$item" 2) || fail "popup menu gone"
  xdotool mousemove "$x" "$y"
  # For the README: the menu above the task bar, once the icon's own tip is
  # no longer drawn over it (it goes with the pointer; the picture only).
  if probe wait-no-tips 3000; then
    shot "$shots/.menu.png"
    crop "$shots/.menu.png" "$shots/popup-$name-menu.png" $((left - 160)) $((top - 60)) \
      $((icon_x + 12)) $((icon_y + 10))
    rm -f "$shots/.menu.png"
  fi
  xdotool click 1
  probe wait-no-menu 5000 || fail "the popup menu stayed open 5 s after a click on item $item"
}

configure() {
  right_click_icon_and_choose 0 configure
  probe wait-visible 5000 || fail "Configure did not show the window within 5 s"
}

# window_shot NAME: once the shown window is drawn, screenshots of the whole
# desktop ($shots/NAME-full.png) and of the window alone ($shots/NAME.png).
window_shot() {
  local left top right bottom
  read -r left top right bottom < <(probe window-rect) || fail "no window rectangle"
  poll 5 painted "$shots/$1-full.png" "$left" "$top" "$right" "$bottom" >/dev/null ||
    fail "the window was never drawn"
  convert "$shots/$1-full.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
    "$shots/$1.png"
}

# crop FILE OUT LEFT TOP RIGHT BOTTOM: a rectangle of a screenshot.
crop() {
  convert "$1" -crop "$(($5 - $3))x$(($6 - $4))+$3+$4" +repage "$2"
}

# hover_tip ID TEXT: rests the real pointer on one of the window's controls,
# coming from outside the window, until the tip shown holds TEXT; prints it.
hover_tip() {
  local x y left top right bottom
  read -r left top right bottom < <(probe window-rect) || fail "no window rectangle"
  xdotool mousemove $((right + 40)) $((top + 40))
  probe wait-no-tip 5000 || fail "a tip stayed shown with the pointer away"
  read -r x y < <(probe control-centre "$1") || fail "no control $1"
  xdotool mousemove "$x" "$y"
  probe wait-tip 5000 "$2" || fail "no tip holding '$2' over control $1 (shown: $(probe wait-tip 1 ''))"
}

# click_control NAME: a real left click at the centre of one of the window's
# controls, named as in its layout ("key7", "Check3", "ok").
click_control() {
  local x y
  read -r x y < <(probe control-centre "$1") || fail "no control $1"
  xdotool mousemove "$x" "$y" click 1
}

# press ok|cancel: a real click on the button, which hides the window.
press() {
  click_control "$1"
  probe wait-hidden 5000 || fail "$1 did not hide the window"
}

start_program() {
  wine "$vorlix" &
  vorlix_pid=$!
  probe wait-window 30000 || fail "vorlix.exe never created its window"
}

# The program with its icon in place, i.e. past its load step.
start_resident() {
  start_program
  probe wait-icon 20000 || fail "the program added no tray icon"
}

# wait_end SECONDS: waits for the program to end; its exit status goes to
# $exit_status. (Not in a subshell: only this shell can wait for it.)
wait_end() {
  local end=$((SECONDS + $1))
  while kill -0 "$vorlix_pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.1; done
  kill -0 "$vorlix_pid" 2>/dev/null && fail "the program did not end"
  exit_status=0
  wait "$vorlix_pid" || exit_status=$?
  vorlix_pid=
}
# ends_well CAUSE: the program ends within 15 s with status 0.
ends_well() {
  wait_end 15
  ((exit_status == 0)) || fail "$1 ended the program with status $exit_status"
}

# cancel_over_bad_reg7: an unconfirmed edit of key7 in the shown window,
# "Reg" "7" stored as "9" behind it and the store exported as before, then
# CANCEL, which reloads the store and meets the bad value.
cancel_over_bad_reg7() {
  start_resident
  configure
  probe set-text key7 'Software\Unconfirmed' || fail "could not edit key7"
  reg add "$StoreKey\\Reg" /v 7 /d 9 /f >/dev/null
  export_store before
  click_control cancel
}

exit_from_menu() {
  right_click_icon_and_choose 1 exit
  ends_well Exit
}

# The 50 entries with their defaults, as "section<TAB>key<TAB>value" lines
# in the load order, and their sections: from the program's own table.
Entries=$(probe entries) || fail "the probe printed no entries"
mapfile -t Sections < <(cut -f1 <<<"$Entries" | uniq)

# The store in the same form and order: what `probe dump` prints for the
# controls. Anything but REG_SZ is shown as such.
store_dump() {
  reg query "$StoreKey" /s | python3 -c '
import sys
entries = {}
section = None
for line in sys.stdin.read().split("\n"):
    if line.startswith("HKEY_"):
        section = line.rsplit("\\", 1)[1]
    elif line.startswith("    ") and section:
        name, kind, data = (line[4:].split("    ", 2) + ["", ""])[:3]
        entries[(section, name)] = data if kind == "REG_SZ" else f"<{kind}> {data}"
for key in (tuple(line.split("\t")[:2]) for line in sys.argv[1].split("\n")):
    if key in entries:
        print(f"{key[0]}\t{key[1]}\t{entries.pop(key)}")
for (s, k), v in sorted(entries.items()):
    print(f"unexpected\t{s}\\{k}\t{v}")
' "$Entries"
}

store_clear() { reg delete "$StoreKey" /f >/dev/null || true; }
# export_store NAME: the store as $shots/store-NAME.reg, to compare;
# store_unchanged WHY: the store as exported before, else fails saying WHY.
export_store() { reg export "$StoreKey" "$(winepath -w "$shots/store-$1.reg")" /y >/dev/null || fail "reg export failed"; }
store_unchanged() {
  export_store after
  cmp -s "$shots/store-before.reg" "$shots/store-after.reg" || fail "$1"
}

# store_configuration [OVERRIDES...]: the store emptied, then the
# configuration with those overrides stored with one reg.exe import.
store_configuration() {
  local file=$shots/.plant.reg
  store_clear
  configuration "$@" | python3 -c '
import sys
out = ["REGEDIT4", ""]
base = sys.argv[1]
sections = {}
for line in sys.stdin.read().splitlines():
    section, key, value = line.split("\t", 2)
    sections.setdefault(section, []).append((key, value))
for section, entries in sections.items():
    out.append(f"[{base}\\{section}]")
    for key, value in entries:
        value = value.replace("\\", "\\\\").replace("\"", "\\\"")
        out.append(f"\"{key}\"=\"{value}\"")
    out.append("")
sys.stdout.write("\r\n".join(out) + "\r\n")
' "$StoreLocation" >"$file"
  reg import "$file" >/dev/null || fail "reg import of the configuration failed"
  rm -f "$file"
}

# Overrides are "section<TAB>key<TAB>value" lines; T is the tab.
T=$'\t'
# rule SLOT HIVE ENABLE KEYPATH VALUENAME: the four overrides of one rule.
rule() {
  printf '%s\n' "Reg$T$1$T$2" "EnableKeys$T$1$T$3" "keydirs$T$1$T$4" "keynames$T$1$T$5"
}

# configuration [OVERRIDES...]: the 50 default entries as store_dump prints
# them, with "section<TAB>key<TAB>value" overrides applied.
configuration() {
  python3 -c '
import sys
entries = {(s, k): v for s, k, v in (line.split("\t", 2) for line in sys.argv[1].split("\n"))}
for override in sys.argv[2:]:
    section, key, value = override.split("\t", 2)
    assert (section, key) in entries, override
    entries[(section, key)] = value
for (s, k), v in entries.items():
    print(f"{s}\t{k}\t{v}")
' "$Entries" "$@"
}

# same_lines WHAT EXPECTED ACTUAL: fails with a diff when they differ.
same_lines() {
  [[ $2 == "$3" ]] || fail "$1 differs from what was expected:
$(diff <(echo "$2") <(echo "$3") || true)"
}
# store_holds WHEN [OVERRIDES...], window_holds WHEN [OVERRIDES...]: the
# store, or the window's controls, hold that configuration.
store_holds() { same_lines "the store $1" "$(configuration "${@:2}")" "$(store_dump)"; }
window_holds() { same_lines "the window $1" "$(configuration "${@:2}")" "$(probe dump)"; }

# Scratch entries for the rules to delete.
# has_entry KEY [/v VALUE]: true if there, false only when reg says it is
# not; any other failure of reg (a busy machine) is asked again, so a
# failed query is never taken for a deletion.
has_entry() {
  local out tries
  for tries in 1 2 3 4 5; do
    out=$(wine reg query "$@" 2>&1) && return 0
    [[ $out == *'Unable to find'* ]] && return 1
    sleep 0.2
  done
  fail "reg query $* failed: $out"
}
has_value() { has_entry "$1" /v "$2"; }
has_key() { has_entry "$1"; }
plant_value() { reg add "$1" /v "$2" /d planted /f >/dev/null || fail "could not plant $1 $2"; }

# gone_within MS KEY [VALUE]: polls until the value (or the key) is gone;
# prints how many seconds that took. Take it as `gone=$(gone_within ...)`:
# inside another command's arguments its failure would end only a subshell.
gone_within() {
  local ms=$1 key=$2 value=${3-} start
  start=$(now)
  while :; do
    if [[ -n $value ]]; then has_value "$key" "$value" || break; else has_key "$key" || break; fi
    (($(now) - start < ms * 1000)) || fail "$key $value still there after $ms ms"
    sleep 0.1
  done
  since "$start"
}
