#!/usr/bin/env bash
# The capture tool's area selection in a session scaled by 2 (run inside
# scripts/x11-session.sh on a 3840 × 2160 screen): the selection starts at the device
# pixel under the pointer, odd ones too, and a drag to the last pixel takes the screen.
set -uo pipefail
tool="$QUILLBOX_BUILD_DIR/bin/quillbox-capture"
pattern="$QUILLBOX_PATTERN_WINDOW"
work=$(mktemp -d /tmp/quillbox-scaled-test-XXXXXX)
pattern_pid=""
cleanup() {
    [ -n "$pattern_pid" ] && kill "$pattern_pid" 2>/dev/null && wait "$pattern_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../../x11/wait.sh"

# The pattern window itself is not scaled: its pixels are the device pixels.
"$pattern" show 500 300 900 700 "$work/ready" &
pattern_pid=$!
wait_for 150 test -e "$work/ready" || fail "the pattern window never painted"
wid=$(xdotool search --onlyvisible --name '^quillbox-pattern$' | head -n1)
info=$(xwininfo -id "$wid")
cx=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
cy=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")

drag() { # file from-x from-y to-x to-y
    xdotool mousemove 5 5
    QT_SCALE_FACTOR=2 "$tool" -i -s -x "$work/$1" 2>"$work/stderr" &
    local run=$!
    wait_for 150 xdotool search --onlyvisible --name '^quillbox-capture$' ||
        fail "the overlay never showed"
    xdotool mousemove "$2" "$3" mousedown 1 mousemove $((($2 + $4) / 2)) $((($3 + $5) / 2)) \
        mousemove "$4" "$5" mouseup 1
    wait_for 150 sh -c "! kill -0 $run" || fail "the tool did not end"
    wait "$run" || fail "$1: status $? $(cat "$work/stderr")"
}

drag odd.png 601 401 1001 801
"$pattern" check "$work/odd.png" $((601 - cx)) $((401 - cy)) 400 400 ||
    fail "a drag from device pixel (601, 401) does not start there"
echo "ok: the selection starts at the odd device pixel under the pointer"

drag whole.png 0 0 3839 2159
[ "$(identify -format %wx%h "$work/whole.png")" = 3840x2160 ] ||
    fail "a drag to the last pixel gives $(identify -format %wx%h "$work/whole.png")"
echo "ok: a drag to the last pixel takes the whole screen"
