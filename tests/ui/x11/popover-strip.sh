#!/usr/bin/env bash
# The popover over a library of 30 captures: the strip shows the newest first, a card
# drags its file into another program, the mouse wheel moves the row sideways, and
# "Delete" in a card's menu removes the capture at once.
set -uo pipefail
. "$(dirname "$0")/../../app/x11/lib.sh"

python3 "$(dirname "$0")/make-library.py" "$XDG_DATA_HOME" 30 || fail "no library"
library="$XDG_DATA_HOME/Quillbox"

pixel() { # x y: "#RRGGBB" on the screen
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-F]\{6\}' | head -1
}
colour_of() { printf '#%02X%02X80' $((8 * $1 % 256)) $(((255 - 8 * $1) % 256)); }
shows() { [ "$(pixel "$cx" "$cy")" = "$1" ]; }
shows_not() { [ "$(pixel "$cx" "$cy")" != "$1" ]; }

start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"
click_tray 1
wait_for 50 popover_shown || fail "popover not shown"
geometry=$(visible_windows | awk -F'[x+]' '$1 >= 720')
IFS='x+' read -r width height left top <<<"$geometry"
[ "$height" -ge 260 ] || fail "popover $geometry"
# Inside the first card: 14 in from the left, above the footer's shortcut hints.
cx=$((left + 100))
cy=$((top + height - 100))

echo "== the newest capture comes first"
wait_for 50 shows "$(colour_of 0)" || fail "first card shows $(pixel $cx $cy), not capture 0"

echo "== a card drags its file's URL into another program"
"$(dirname "$0")/drop-target.py" 200 600 >"$work/dropped" 2>/dev/null &
target=$!
wait_for 50 xdotool search --onlyvisible --name '^drop-target$' || fail "no drop target"
xdotool mousemove "$cx" "$cy" mousedown 1
for step in 1 2 3 4 5 6 7 8; do xdotool mousemove "$((cx + 20 * step))" "$((cy + 55 * step))"; sleep 0.05; done
xdotool mousemove 400 700 mouseup 1
wait_for 50 grep -q 'Quillbox%200.png$' "$work/dropped" ||
    fail "the drop target got: $(cat "$work/dropped")"
kill "$target"
wait "$target" 2>/dev/null
kill -0 "$pid" || fail "Quillbox ended during the drag"
popover_shown || fail "the drag closed the popover"

echo "== Delete in the card's menu removes the capture and its file at once"
xdotool mousemove "$cx" "$cy" click 3
wait_for 50 menu_shown || fail "no context menu"
xdotool key Up Return # the last item
# The pointer rests on the third card: a hovered card is dimmed.
xdotool mousemove "$((cx + 420))" "$cy"
wait_for 50 sh -c "! grep -q '\"Quillbox 0.png\"' '$library/history.json'" ||
    fail "the history still lists the deleted capture"
[ ! -e "$library/screenshots/Quillbox 0.png" ] || fail "the file is still there"
wait_for 50 shows "$(colour_of 1)" || fail "first card shows $(pixel $cx $cy) after the delete"

echo "== the vertical wheel moves the row sideways"
for _ in 1 2 3 4 5 6; do xdotool click 5; done
wait_for 50 shows_not "$(colour_of 1)" || fail "the wheel did not move the row"
popover_shown || fail "the wheel closed the popover"

echo "== the card under the still pointer has the overlay, and a double-click edits that card"
px=$((cx + 420))
blue_at_pointer() { pixel "$px" "$cy" | cut -c6-7; }
dimmed() { [ "$(blue_at_pointer)" = 40 ]; }
plain() { [ "$(blue_at_pointer)" = 80 ]; }
wait_for 50 dimmed || fail "no overlay on the card under the pointer: $(pixel "$px" "$cy")"
red=$((16#$(pixel "$px" "$cy" | cut -c2-3)))
under="Quillbox $(((red + 2) / 4)).png"
xdotool click --repeat 2 --delay 80 1
wait_for 50 xdotool search --onlyvisible --name "$under" || fail "the double-click did not edit $under"
xdotool key Escape
wait_for 50 sh -c "! xdotool search --onlyvisible --name '$under'" || fail "the editor stayed"

echo "== closed with a card under the pointer, the popover comes back without that overlay"
xdotool key ctrl+alt+super+h
wait_for 50 popover_shown || fail "no popover"
wait_for 50 dimmed || fail "the card under the pointer has no overlay"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"
xdotool mousemove "$px" $((top + height + 60))
xdotool key ctrl+alt+super+h
wait_for 50 popover_shown || fail "no popover"
wait_for 50 plain || fail "a card kept its overlay: $(pixel "$px" "$cy")"

stop_quillbox
echo "popover-strip: all passed"
