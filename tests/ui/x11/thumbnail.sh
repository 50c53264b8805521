#!/usr/bin/env bash
# After a full-screen capture the card shows in the bottom-left corner and goes by itself;
# a capture taken while a card or the popover is up shows neither of them nor a hole where
# they were.
set -uo pipefail
. "$(dirname "$0")/../../app/x11/lib.sh"

shots="$XDG_DATA_HOME/Quillbox/screenshots"
# 1920 x 1080 screen: 16 in from the left and the bottom.
card=240x160+16+904

pngs() { find "$shots" -name '*.png' 2>/dev/null; }
count_is() { [ "$(pngs | wc -l)" = "$1" ]; }
newest() { ls -t "$shots"/*.png | head -n1; }
card_shown() { grep -qx "$card" <<<"$(visible_windows)"; }
card_gone() { ! grep -q '^240x160+' <<<"$(visible_windows)"; }
# Whether two captures show the same in a region.
same_in() { # region first second
    convert "$2" -crop "$1" +repage "$work/a.png"
    convert "$3" -crop "$1" +repage "$work/b.png"
    [ "$(convert "$work/a.png" -format '%[fx:standard_deviation>0]' info:)" = 1 ] ||
        fail "nothing under $1 to compare"
    local differing
    differing=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1)
    [ "$differing" = 0 ] || fail "$differing pixels of $1 differ from the screen below"
}

# Something to see under the card: a pattern every pixel of which differs.
# Large, so that it takes a while to repaint.
"$QUILLBOX_PATTERN_WINDOW" show 0 0 1920 1080 "$work/ready" &
pattern_pid=$!
trap 'kill $pattern_pid 2>/dev/null; cleanup' EXIT
wait_for 100 test -f "$work/ready" || fail "the pattern window never painted"
xdotool mousemove 1500 200

start_quillbox
echo "== a capture shows its card at the bottom left, which goes by itself"
xdotool key ctrl+alt+super+f
wait_for 100 count_is 1 || fail "no first capture"
first=$(newest)
wait_for 100 card_shown || fail "no card at $card: $(visible_windows | tr '\n' ' ')"
wait_for 150 card_gone || fail "the card stayed past its lifetime"

echo "== a capture while a card is up holds neither the card nor a hole"
xdotool key ctrl+alt+super+f
wait_for 100 count_is 2 || fail "no second capture"
wait_for 100 card_shown || fail "no card after the second capture"
xdotool key ctrl+alt+super+f
wait_for 100 count_is 3 || fail "no third capture"
same_in "$card" "$first" "$(newest)"
wait_for 100 card_shown || fail "the third capture showed no card"

echo "== a capture from the popover holds neither the popover nor the card"
xdotool key ctrl+alt+super+h
wait_for 50 popover_shown || fail "the popover hot key showed no popover"
popover=$(grep -m1 'x260+' <<<"$(visible_windows)")
xdotool key ctrl+alt+super+f
wait_for 100 count_is 4 || fail "no capture from the popover"
popover_hidden || fail "the popover stayed open for the capture"
same_in "$popover" "$first" "$(newest)"
same_in "$card" "$first" "$(newest)"

stop_quillbox
echo "thumbnail: all passed"
