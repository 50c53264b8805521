#!/usr/bin/env bash
# Pages that trap a scrolling capture (see TrapPage.cpp): flat stretches at a frame's edge,
# a view left short of the end by a partial line, a fixed bar's shadow, content only at a
# side, a scroll bar in the region. Each one captured from its top and from its bottom must
# file a PNG equal row for row to the whole page; a scroll bar's columns, at the right of the
# page's picture, are not compared.
# Runs inside scripts/x11-session.sh; TRAP_PAGE and SCROLL_DRIVER name the programs,
# TRAP_KINDS (default: all) the pages.
set -euo pipefail
source "$(dirname "$0")/../../x11/wait.sh"

work=$(mktemp -d /tmp/quillbox-traps-XXXXXX)
page_pid=""
cleanup() {
    if [ -n "$page_pid" ]; then kill "$page_pid" 2>/dev/null; wait "$page_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
failures=0

# Rows of the page that the capture does not hold as they are: the difference in height,
# or, at equal height, the rows where any pixel differs.
rows_off() { # captured, expected
    local got want
    got=$(identify -format '%h' "$1")
    want=$(identify -format '%h' "$2")
    if [ "$got" != "$want" ]; then echo $((want - got)) rows missing; return; fi
    convert "$1" "$2" -compose difference -composite -threshold 0 -filter box \
        -resize "1x${want}!" -format '%c' histogram:info:- |
        awk '/gray\(0\)|#000000/ { same = $1 } END { sub(":", "", same); print '"$want"' - same, "rows differ" }'
}

capture() { # kind, top or bottom
    local out x y w h
    rm -f "$work/page.png" "$work/geometry.txt"
    "$TRAP_PAGE" "$1" "$work/page.png" "$work/geometry.txt" $([ "$2" = bottom ] && echo --at-bottom) &
    page_pid=$!
    if ! wait_for 100 test -s "$work/geometry.txt"; then
        echo "FAIL: $1 page did not come on screen" >&2
        exit 1
    fi
    read -r x y w h <"$work/geometry.txt"
    out=$(timeout 90 "$SCROLL_DRIVER" "$x" "$y" "$w" "$h" 2>/dev/null) || out=none
    if [ -f "$out" ] && [ "$(identify -format '%w' "$work/page.png")" != "$w" ]; then
        convert "$out" -crop "$(identify -format '%w' "$work/page.png")x+0+0" +repage "$work/page-columns.png"
        out="$work/page-columns.png"
    fi
    if [ -f "$out" ] && [ "$(compare -metric AE "$out" "$work/page.png" null: 2>&1 || true)" = 0 ]; then
        echo "$1 from the $2: $(identify -format '%wx%h' "$out"), the whole page"
    elif [ -f "$out" ]; then
        echo "FAIL: $1 from the $2: $(rows_off "$out" "$work/page.png")" >&2
        failures=$((failures + 1))
    else
        echo "FAIL: $1 from the $2: nothing filed" >&2
        failures=$((failures + 1))
    fi
    kill "$page_pid"; wait "$page_pid" 2>/dev/null || true; page_pid=""
}

for kind in ${TRAP_KINDS:-sparse partial shadow left right scrollbar}; do
    capture "$kind" top
    capture "$kind" bottom
done
[ "$failures" = 0 ]
