#!/usr/bin/env bash
# The capture tool against a real X server (run inside scripts/x11-session.sh): the full
# screen, an area dragged over a known pattern, a window clicked, the ways to cancel, and
# bad arguments. Every wait is for a condition, with a timeout.
set -uo pipefail
tool="$QUILLBOX_BUILD_DIR/bin/quillbox-capture"
pattern="$QUILLBOX_PATTERN_WINDOW"
work=$(mktemp -d /tmp/quillbox-capture-test-XXXXXX)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

source "$(dirname "$0")/../x11/wait.sh"
# Waits for a background tool run to end; sets $status (124 after the timeout).
finish() {
    local pid=$1
    if ! wait_for 150 sh -c "! kill -0 $pid"; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        status=124
        return
    fi
    wait "$pid"
    status=$?
}
overlay_shown() { xdotool search --onlyvisible --name '^quillbox-capture$' >/dev/null 2>&1; }
start_interactive() { # args... ; sets $run
    "$tool" "$@" 2>"$work/stderr" &
    run=$!
    pids+=("$run")
    wait_for 150 overlay_shown || fail "the overlay of '$*' never showed"
}
no_output_left() { # the folder holds nothing but the files named
    local extra
    extra=$(ls -A "$work" | grep -v -x -e stderr -e ready -e cover-ready -e full.png -e ref.png -e area.png \
        -e window.png -e covered.png -e client.png \
        -e edge.png)
    [ -z "$extra" ] || fail "left behind: $extra"
}

# The pattern window, placed by the window manager; its client area from xwininfo.
"$pattern" show 300 200 640 400 "$work/ready" &
pids+=("$!")
wait_for 150 test -e "$work/ready" || { echo "FAIL: the pattern window never painted" >&2; exit 1; }
wid=$(xdotool search --onlyvisible --name '^quillbox-pattern$' | head -n1)
info=$(xwininfo -id "$wid")
cx=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
cy=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
cw=$(awk '/Width:/ {print $2}' <<<"$info")
ch=$(awk '/Height:/ {print $2}' <<<"$info")
xdotool mousemove 5 500

# Full screen: exactly the screen's pixels, as another program reads them.
if "$tool" -x "$work/full.png"; then
    import -window root "$work/ref.png"
    if compare -metric AE "$work/full.png" "$work/ref.png" null: 2>"$work/stderr"; then
        pass "full screen equals the screen"
    else
        fail "full screen differs from import in $(cat "$work/stderr") pixels"
    fi
    [ "$(identify -format %wx%h "$work/full.png")" = "$(xdpyinfo | awk '/dimensions/ {print $2}')" ] \
        || fail "full screen has the wrong size"
else
    fail "full screen capture failed"
fi

# An area dragged over the pattern: exactly that rectangle of it.
left=37 top=23 width=301 height=177
start_interactive -i -s -x "$work/area.png"
xdotool mousemove $((cx + left)) $((cy + top)) mousedown 1 \
    mousemove $((cx + left + 20)) $((cy + top + 20)) \
    mousemove $((cx + left + width)) $((cy + top + height)) mouseup 1
finish "$run"
if [ "$status" = 0 ] && "$pattern" check "$work/area.png" $left $top $width $height; then
    pass "area drag gives exactly the rectangle"
else
    fail "area drag (status $status)"
fi

# A drag to the screen's last pixel takes the whole screen.
start_interactive -i -s -x "$work/edge.png"
xdotool mousemove 0 0 mousedown 1 mousemove 900 500 mousemove 1919 1079 mouseup 1
finish "$run"
if [ "$status" = 0 ] && [ "$(compare -metric AE "$work/edge.png" "$work/full.png" null: 2>&1)" = 0 ]; then
    pass "a drag to the last pixel gives the whole screen"
else
    fail "drag to the last pixel (status $status, $(identify -format %wx%h "$work/edge.png"))"
fi

# A window clicked: the window as it shows on the screen, title bar and borders with it
# (the client area plus the window manager's frame extents), its client area exact.
read -r fl fr ft fb < <(xprop -id "$wid" _NET_FRAME_EXTENTS | tr -dc '0-9 ')
[ $((fl + fr + ft + fb)) -gt 0 ] || fail "the window manager gave the pattern window no frame"
frame="$((cw + fl + fr))x$((ch + ft + fb))+$((cx - fl))+$((cy - ft))"
click_pattern_window() { # file name, the click's offset into the window, what passes
    xdotool mousemove $((cx + 100)) $((cy + 100))
    start_interactive -i -w -x -o "$work/$1.png"
    xdotool mousemove $((cx + $2)) $((cy + $3)) click 1
    finish "$run"
    import -window root "$work/ref.png"
    convert "$work/ref.png" -crop "$frame" +repage "$work/ref.png"
    convert "$work/$1.png" -crop "${cw}x${ch}+$fl+$ft" +repage "$work/client.png"
    if [ "$status" = 0 ] && "$pattern" check "$work/client.png" 0 0 "$cw" "$ch" &&
        [ "$(compare -metric AE "$work/$1.png" "$work/ref.png" null: 2>&1)" = 0 ]; then
        pass "$4"
    else
        fail "$1 click (status $status)"
    fi
}
click_pattern_window window 120 110 "window click gives the window with its frame"

# A window partly covered by another: raised, and taken whole.
"$pattern" show $((cx + 400)) $((cy + 250)) 300 200 "$work/cover-ready" quillbox-cover &
pids+=("$!")
wait_for 150 test -e "$work/cover-ready" || fail "the covering window never painted"
wait_for 150 sh -c "xdotool search --onlyvisible --name '^quillbox-cover\$'"
click_pattern_window covered 110 105 "a covered window is captured whole"

# Esc (sent until the keyboard grab has it), a bare click and a right click cancel.
start_interactive -i -s -x "$work/esc.png"
for _ in $(seq 20); do
    xdotool key Escape
    wait_for 5 sh -c "! kill -0 $run" && break
done
finish "$run"
[ "$status" = 1 ] && [ ! -e "$work/esc.png" ] && pass "Esc cancels" || fail "Esc (status $status)"

xdotool mousemove 700 700
start_interactive -i -s -x "$work/click.png"
xdotool click 1
finish "$run"
[ "$status" = 1 ] && [ ! -e "$work/click.png" ] && pass "a bare click cancels" \
    || fail "bare click (status $status)"

start_interactive -i -w -x -o "$work/right.png"
xdotool mousemove $((cx + 100)) $((cy + 100)) click 3
finish "$run"
[ "$status" = 1 ] && [ ! -e "$work/right.png" ] && pass "a right click cancels" \
    || fail "right click (status $status)"

# Killed while the user selects: nothing is written, not even a temporary file.
start_interactive -i -s -x "$work/killed.png"
xdotool mousemove 200 200 mousedown 1 mousemove 400 400
kill -TERM "$run"
finish "$run"
xdotool mouseup 1
[ "$status" != 0 ] && [ ! -e "$work/killed.png" ] && pass "a killed selection leaves nothing" \
    || fail "killed selection (status $status)"

# Bad arguments: usage, exit 2, no file. A path that cannot be written: exit 1, no file.
"$tool" -q "$work/bad.png" 2>"$work/stderr"; status=$?
[ "$status" = 2 ] && grep -q '^usage: quillbox-capture' "$work/stderr" && [ ! -e "$work/bad.png" ] \
    && pass "bad arguments exit 2" || fail "bad arguments (status $status)"
"$tool" -i -s -w -x "$work/bad.png" 2>/dev/null; status=$?
[ "$status" = 2 ] || fail "-s with -w (status $status)"
"$tool" -x 2>/dev/null; status=$?
[ "$status" = 2 ] || fail "no path (status $status)"
touch "$work/ready"
"$tool" -x "$work/ready/full.png" 2>"$work/stderr"; status=$?
[ "$status" = 1 ] && [ -s "$work/stderr" ] && pass "an unwritable path exits 1" \
    || fail "unwritable path (status $status)"
"$tool" -i -s -x "$work/missing/area.png" 2>"$work/stderr"; status=$?
[ "$status" = 1 ] && [ -s "$work/stderr" ] && [ ! -e "$work/missing" ] \
    && pass "a missing folder exits 1 before the selection" || fail "missing folder (status $status)"
no_output_left

[ "$failures" = 0 ] || { echo "$failures failure(s)" >&2; exit 1; }
