#!/usr/bin/env bash
# The whole road in the tray program: the scrolling hot key opens the region selector, a
# drag over a page between a fixed header and footer picks the region, and the capture
# files one PNG equal to the whole page. Runs inside scripts/x11-session.sh.
set -euo pipefail

work=$(mktemp -d /tmp/quillbox-scroll-hotkey-XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/quillbox.log" >&2 || true; exit 1; }
source "$(dirname "$0")/../../x11/wait.sh"

shots="$XDG_DATA_HOME/Quillbox/screenshots"
QUILLBOX_READY_MARKER=1 "$QUILLBOX_BUILD_DIR/bin/quillbox" 2>"$work/quillbox.log" &
pids+=("$!")
wait_for 100 grep -q 'quillbox: ready' "$work/quillbox.log" || fail "quillbox did not start"

"$TRAP_PAGE" bars "$work/page.png" "$work/geometry.txt" &
pids+=("$!")
wait_for 100 test -s "$work/geometry.txt" || fail "the page did not come on screen"
read -r x y w h <"$work/geometry.txt"

overlay_shown() { # a visible window of Quillbox's covering the whole screen
    local id
    for id in $(xdotool search --onlyvisible --classname quillbox 2>/dev/null); do
        xdotool getwindowgeometry "$id" | grep -q 'Geometry: 1920x1080' && return 0
    done
    return 1
}
overlay_gone() { ! overlay_shown; }
xdotool mousemove $((x + w / 2)) $((y + h / 2))
# Esc closes the selector without a capture; the hot key opens it again.
xdotool key ctrl+alt+super+s
wait_for 100 overlay_shown || fail "the region selector did not open"
xdotool key Escape
wait_for 50 overlay_gone || fail "Esc did not close the region selector"
xdotool key ctrl+alt+super+s
wait_for 100 overlay_shown || fail "the region selector did not open again"
xdotool mousemove "$x" "$y" mousedown 1 mousemove $((x + w / 2)) $((y + h / 2)) \
    mousemove $((x + w)) $((y + h)) mouseup 1

one_png() { [ "$(find "$shots" -name '*.png' 2>/dev/null | wc -l)" = 1 ]; }
wait_for 600 one_png || fail "no capture was filed"
out=$(find "$shots" -name '*.png')
# The file is renamed into place whole, so once it is there it is complete.
got=$(identify -format '%wx%h' "$out")
want=$(identify -format '%wx%h' "$work/page.png")
[ "$got" = "$want" ] || fail "captured $got, the page is $want"
differing=$(compare -metric AE "$out" "$work/page.png" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "$differing pixels differ from the page"
grep -q '"kind" *: *"scrolling"' "$XDG_DATA_HOME/Quillbox/history.json" ||
    fail "the history has no scrolling capture"
echo "hot key: $got, equal to the page"
