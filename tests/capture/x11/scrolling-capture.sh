#!/usr/bin/env bash
# A scrolling capture of a page in a scroll area, started once with the page at its top
# and once at its bottom, must file one PNG equal pixel for pixel to the whole page: the
# header once at the top, every row of the page, the footer once at the bottom.
# Runs inside scripts/x11-session.sh; SCROLL_PAGE and SCROLL_DRIVER name the programs.
set -euo pipefail

work=$(mktemp -d /tmp/quillbox-scroll-XXXXXX)
page_pid=""
cleanup() {
    [ -n "$page_pid" ] && kill "$page_pid" 2>/dev/null && wait "$page_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

capture() { # mode: top or bottom
    local mode=$1 flag=""
    [ "$mode" = bottom ] && flag=--at-bottom
    rm -f "$work/page.png" "$work/geometry.txt"
    "$SCROLL_PAGE" "$work/page.png" "$work/geometry.txt" $flag &
    page_pid=$!
    for _ in $(seq 100); do [ -s "$work/geometry.txt" ] && break; sleep 0.1; done
    [ -s "$work/geometry.txt" ] || fail "$mode: the page did not come on screen"
    read -r x y w h <"$work/geometry.txt"

    local out
    out=$(timeout 90 "$SCROLL_DRIVER" "$x" "$y" "$w" "$h") || fail "$mode: the capture failed"
    [ -f "$out" ] || fail "$mode: no file filed ($out)"
    local got want
    got=$(identify -format '%wx%h' "$out")
    want=$(identify -format '%wx%h' "$work/page.png")
    [ "$got" = "$want" ] || fail "$mode: captured $got, the page is $want"
    local differing
    differing=$(compare -metric AE "$out" "$work/page.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "$mode: $differing pixels differ from the page"
    echo "$mode: $got, equal to the page"

    kill "$page_pid"; wait "$page_pid" 2>/dev/null || true; page_pid=""
}

capture top
capture bottom
