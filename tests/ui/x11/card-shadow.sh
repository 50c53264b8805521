#!/usr/bin/env bash
# Under a compositing manager the card casts its shadow from a window larger than the card,
# with the card where it is without one; the shadow takes no pointer input.
set -uo pipefail
. "$(dirname "$0")/../../app/x11/lib.sh"

command -v xcompmgr >/dev/null || fail "xcompmgr is not installed (scripts/setup.sh)"
xcompmgr >"$work/xcompmgr.log" 2>&1 &
compositor=$!
trap 'kill $compositor 2>/dev/null; cleanup' EXIT
# It names the window that holds the compositing manager's selection.
wait_for 50 sh -c 'xwininfo -root -tree | grep -q "\"xcompmgr\""' || fail "xcompmgr did not start"

pixel() { # x y: grey level 0-255 on the screen
    convert "$work/screen.png" -crop "1x1+$1+$2" -colorspace Gray -format '%[fx:int(255*u)]' info:
}

start_quillbox
xdotool mousemove 900 300
xdotool key ctrl+alt+super+f
# 1920 x 1080 screen: the card 16 in from the left and the bottom, its shadow around it.
card_shown() { grep -qx '276x196+-2+894' <<<"$(visible_windows)"; }
card_gone() { ! grep -q '^276x196+' <<<"$(visible_windows)"; }
wait_for 100 card_shown || fail "no card with its shadow: $(visible_windows | tr '\n' ' ')"
import -window root "$work/screen.png"
below=$(pixel 136 1070)  # under the card's bottom edge, where the shadow falls
beside=$(pixel 600 1070) # the desktop
[ "$below" -lt "$((beside - 15))" ] || fail "no shadow under the card: $below against $beside"

echo "== the pointer on the shadow does not hold the card"
xdotool mousemove 136 1072
wait_for 150 card_gone || fail "the card stayed while the pointer rested on its shadow"

stop_quillbox
echo "card-shadow: all passed"
