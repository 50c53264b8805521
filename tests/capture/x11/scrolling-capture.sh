#!/usr/bin/env bash
# A scrolling capture of a page between a fixed header and footer, started once with the
# page at its top and once at its bottom, must file one PNG equal pixel for pixel to the
# whole page: the header once at the top, every row of the page, the footer once at the
# bottom. Esc during a third capture from the top ends it early with the page from its top
# to the last row reached.
# Runs inside scripts/x11-session.sh; TRAP_PAGE and SCROLL_DRIVER name the programs.
set -euo pipefail

work=$(mktemp -d /tmp/quillbox-scroll-XXXXXX)
page_pid=""
cleanup() {
    [ -n "$page_pid" ] && kill "$page_pid" 2>/dev/null && wait "$page_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../../x11/wait.sh"

start_page() { # [--at-bottom] [--rows N]
    rm -f "$work/page.png" "$work/geometry.txt"
    "$TRAP_PAGE" bars "$work/page.png" "$work/geometry.txt" "$@" &
    page_pid=$!
    wait_for 100 test -s "$work/geometry.txt" || fail "the page did not come on screen"
    read -r x y w h <"$work/geometry.txt"
}

stop_page() { kill "$page_pid"; wait "$page_pid" 2>/dev/null || true; page_pid=""; }

same_image() { # name, captured file, expected file
    local got want differing
    got=$(identify -format '%wx%h' "$2")
    want=$(identify -format '%wx%h' "$3")
    [ "$got" = "$want" ] || fail "$1: captured $got, expected $want"
    differing=$(compare -metric AE "$2" "$3" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "$1: $differing pixels differ"
    echo "$1: $got, as expected"
}

capture() { # top or bottom
    local out
    if [ "$1" = bottom ]; then start_page --at-bottom; else start_page; fi
    out=$(timeout 90 "$SCROLL_DRIVER" "$x" "$y" "$w" "$h") || fail "$1: the capture failed"
    [ -f "$out" ] || fail "$1: no file filed ($out)"
    same_image "$1" "$out" "$work/page.png"
    stop_page
}

capture_until_escape() {
    start_page --rows 8000
    timeout 90 "$SCROLL_DRIVER" "$x" "$y" "$w" "$h" >"$work/out.txt" 2>"$work/hud.txt" &
    local driver=$!
    wait_for 100 grep -q 'Capturing… 3' "$work/hud.txt" || true # Esc ends it wherever it is
    xdotool key Escape
    wait "$driver" || fail "escape: the capture failed"
    local out rows
    out=$(cat "$work/out.txt")
    [ -f "$out" ] || fail "escape: no file filed ($out)"
    rows=$(identify -format '%h' "$out")
    [ "$rows" -lt "$(identify -format '%h' "$work/page.png")" ] ||
        fail "escape: the capture did not stop early ($rows rows)"
    # The page's top rows down to the last one reached, then the footer.
    convert "$work/page.png" \( +clone -crop "${w}x$((rows - 30))+0+0" \) \
        \( -clone 0 -gravity south -crop "${w}x30+0+0" \) -delete 0 +repage -append \
        "$work/expected.png"
    same_image escape "$out" "$work/expected.png"
    stop_page
}

capture top
capture bottom
capture_until_escape
