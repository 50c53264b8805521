#!/usr/bin/env bash
# A white 800 x 500 capture opened in its editor window through the controller: a
# rectangle dragged with the mouse, Ctrl+S, and the saved file holds the red stroke along
# the mark's edges, white inside and outside. Esc then closes the window.
# Runs inside scripts/x11-session.sh; EDITOR_DRIVER names the test program.
set -euo pipefail
. "$(dirname "$0")/../../x11/wait.sh"

work=$(mktemp -d /tmp/quillbox-editor-XXXXXX)
driver=""
cleanup() {
    [ -n "$driver" ] && kill "$driver" 2>/dev/null && wait "$driver" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    sed 's/^/  driver: /' "$work/out" >&2
    exit 1
}


said() { grep -q "$1" "$work/out"; }
field() { grep "^$1 " "$work/out" | tail -n1 | cut -d' ' -f"$2"; }

pixel() { # x y -> "r g b"
    convert "$file" -format \
        "%[fx:int(255*p{$1,$2}.r+.5)] %[fx:int(255*p{$1,$2}.g+.5)] %[fx:int(255*p{$1,$2}.b+.5)]" info:
}
expect_pixel() { # name x y r g b
    local got want
    got=$(pixel "$2" "$3")
    read -r -a g <<<"$got"
    for i in 0 1 2; do
        want=${*:4+i:1}
        ((g[i] - want <= 8 && want - g[i] <= 8)) || fail "$1 at ($2, $3) is ($got), expected (${*:4})"
    done
}

"$EDITOR_DRIVER" 800 500 >"$work/out" 2>"$work/err" &
driver=$!
wait_for 100 said '^fitted ' || fail "the editor did not open"
wait_for 100 xdotool search --onlyvisible --name '^Edit — Quillbox ' || fail "no editor window"
wid=$(xdotool search --onlyvisible --name '^Edit — Quillbox ' | head -n1)
xdotool windowactivate --sync "$wid"
file=$(field file 2-)

read -r fx fy fw fh iw ih <<<"$(grep '^fitted ' "$work/out" | tail -n1 | cut -d' ' -f2-)"
at() { # image x y -> window x y
    awk -v x="$1" -v y="$2" -v fx="$fx" -v fy="$fy" -v fw="$fw" -v fh="$fh" -v iw="$iw" \
        -v ih="$ih" 'BEGIN { printf "%d %d", fx + x * fw / iw, fy + y * fh / ih }'
}

# shellcheck disable=SC2046
xdotool mousemove --window "$wid" $(at 200 150)
xdotool mousedown 1
for p in "300 250" "450 320" "600 350"; do
    # shellcheck disable=SC2046,SC2086
    xdotool mousemove --window "$wid" $(at $p)
done
xdotool mouseup 1
wait_for 50 said '^mark ' || fail "the drag made no mark"

xdotool key ctrl+s
wait_for 100 said '^status Saved$' || fail "Ctrl+S did not save"

read -r x0 y0 x1 y1 width <<<"$(field mark 2-)"
echo "mark from ($x0, $y0) to ($x1, $y1), $width wide"
mid() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", (a + b) / 2 }'; }
int() { awk -v a="$1" 'BEGIN { printf "%d", a }'; }
mx=$(mid "$x0" "$x1")
my=$(mid "$y0" "$y1")
expect_pixel "top edge" "$mx" "$(int "$y0")" 255 59 48
expect_pixel "bottom edge" "$mx" "$(int "$y1")" 255 59 48
expect_pixel "left edge" "$(int "$x0")" "$my" 255 59 48
expect_pixel "right edge" "$(int "$x1")" "$my" 255 59 48
expect_pixel "inside" "$mx" "$my" 255 255 255
expect_pixel "outside" "$mx" "$(int "$((${y0%.*} - 12))")" 255 255 255
[ "$(identify -format '%wx%h' "$file")" = 800x500 ] || fail "the saved file changed its size"

xdotool key Escape
wait_for 100 said '^closed$' || fail "Esc did not close the window"
wait "$driver" || fail "the driver failed"
driver=""
echo "saved and closed as expected"
