#!/usr/bin/env bash
# tray_click.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# The real program on the Wine session's virtual desktop, driven with real
# clicks: it starts hidden with its icon in the notification area; a right
# click on the icon opens the popup; "Configure" shows the window; "Exit"
# ends the program with status 0 and takes the icon away. Screenshots of the
# popup and of the window are written to SHOT_DIR.
set -euo pipefail
vorlix=${1:?vorlix.exe}
probe_exe=${2:?vorlix_probe.exe}
shots=${3:?screenshot directory}
# shellcheck disable=SC1091
source "${VORLIX_WINE_STATE:?run under the wine fixture}/env"
mkdir -p "$shots"
rm -f "$shots"/*.png

fail() {
  echo "FAIL: $*" >&2
  import -window root "$shots/failure.png" || true
  exit 1
}
# Wine's console ends lines with CR LF.
probe() { wine "$probe_exe" "$@" | tr -d '\r'; }
shot() { import -window root "$1"; }

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

icon_centre() {
  local left top right bottom
  read -r left top right bottom < <(probe tray-rect) || return 0
  shot "$shots/.tray.png"
  pixels "$shots/.tray.png" "$left" "$top" "$right" "$bottom" cyan
  rm -f "$shots/.tray.png"
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

right_click_icon_and_choose() {
  local item=$1 name=$2 x y left top right bottom
  read -r x y < <(poll 20 icon_centre) || fail "no tray icon in the task bar"
  xdotool mousemove "$x" "$y" click 3
  read -r left top right bottom < <(probe wait-menu 5000) || fail "no popup menu after a right click at $x,$y"
  poll 5 painted "$shots/popup-$name.png" "$left" "$top" "$right" "$bottom" >/dev/null ||
    fail "the popup menu was never drawn"
  read -r x y < <(probe menu-item "$item" 2) || fail "popup menu gone"
  xdotool mousemove "$x" "$y" click 1
  probe wait-no-menu 5000 || fail "the popup menu stayed open"
}

wine "$vorlix" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

probe wait-window 30000 || fail "vorlix.exe never created its window"
probe wait-hidden 100 || fail "the window is shown at start-up"

right_click_icon_and_choose 0 configure
probe wait-visible 5000 || fail "Configure did not show the window"
read -r left top right bottom < <(probe window-rect) || fail "no window rectangle"
poll 5 painted "$shots/window-full.png" "$left" "$top" "$right" "$bottom" >/dev/null ||
  fail "the window was never drawn"
convert "$shots/window-full.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
  "$shots/window.png"

right_click_icon_and_choose 1 exit
end=$((SECONDS + 15))
while kill -0 "$pid" 2>/dev/null && ((SECONDS < end)); do sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "Exit did not end the program"
trap - EXIT
status=0
wait "$pid" || status=$?
((status == 0)) || fail "the program ended with status $status"
probe wait-gone 100 || fail "the window outlived the program"
# The icon goes with the program.
end=$((SECONDS + 10))
while [[ -n $(icon_centre) ]] && ((SECONDS < end)); do sleep 0.2; done
[[ -z $(icon_centre) ]] || fail "the tray icon stayed after Exit"
echo "screenshots in $shots"
