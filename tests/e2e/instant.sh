#!/usr/bin/env bash
# instant.sh VORLIX_EXE PROBE_EXE SHOT_DIR
# A stored configuration at "Middle" (a pass a minute): the user picks
# "Instant" from the opened priority list, which shows all six levels, and
# presses OK; the level is stored as 5, and a value and a leaf key that
# reg.exe re-creates are gone well within a second or two each time. The
# timer at Instant fires only every ten seconds, so it cannot account for
# every one of them.
source "$(dirname "$0")/lib.sh"

scratch=("$ScratchKey")
values=$ScratchKey'\Values'
leaf=$ScratchKey'\Leaf'

stored=(
  "Reg${T}13${T}2"
  "Reg${T}1${T}1" "EnableKeys${T}1${T}1" "keydirs${T}1${T}Software\\VorlixE2E\\Values" "keynames${T}1${T}Instant one"
  "Reg${T}2${T}1" "EnableKeys${T}2${T}1" "keydirs${T}2${T}Software\\VorlixE2E\\Leaf" "keynames${T}2${T}"
)
store_configuration "${stored[@]}"
tidy
plant_value "$values" Kept

start_resident
configure

# The priority list opens with every level in view; "Instant" is the sixth.
click_control Combo13
read -r left top right bottom count rows < <(probe wait-list 5000) || fail "the priority list did not open"
((count == 6)) || fail "the priority list holds $count levels, not six"
((rows >= 6)) || fail "the opened priority list shows $rows of its six levels"
poll 5 painted "$shots/priority-list.png" "$left" "$top" "$right" "$bottom" >/dev/null ||
  fail "the priority list was never drawn"
read -r x y < <(probe list-item 5) || fail "the priority list closed"
xdotool mousemove "$x" "$y" click 1
[[ $(probe value Combo13) == 5 ]] || fail "picking the sixth level did not select Instant"
window_shot window-instant

press ok
picked=("${stored[@]}" "Reg${T}13${T}5")
store_holds "after OK" "${picked[@]}"

for round in 1 2 3; do
  plant_value "$values" 'Instant one'
  gone=$(gone_within 2000 "$values" 'Instant one')
  echo "round $round: the value gone after $gone s"
done
plant_value "$leaf" 'Leaf value'
gone=$(gone_within 2000 "$leaf")
echo "the leaf key gone after $gone s"
has_value "$values" Kept || fail "a value no rule names was deleted"

exit_from_menu
store_holds "after Exit" "${picked[@]}"
