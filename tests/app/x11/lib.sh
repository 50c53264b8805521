# Helpers for the tray program's X11 tests; sourced inside scripts/x11-session.sh.
program="$QUILLBOX_BUILD_DIR/bin/quillbox"
work=$(mktemp -d /tmp/quillbox-test-XXXXXX)
pid=""

cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/stderr" ] && sed 's/^/  quillbox: /' "$work/stderr" >&2
    exit 1
}

source "$(dirname "${BASH_SOURCE[0]}")/../../x11/wait.sh"

start_quillbox() {
    QUILLBOX_READY_MARKER=1 "$program" 2>"$work/stderr" &
    pid=$!
    wait_for 100 grep -q '^quillbox: ready$' "$work/stderr" || fail "no ready marker"
}

# Quits with SIGTERM and expects a clean exit with status 0.
stop_quillbox() {
    kill -TERM "$pid"
    local status=0
    wait_for 100 sh -c "! kill -0 $pid" || fail "still running 10 s after SIGTERM"
    wait "$pid" || status=$?
    pid=""
    [ "$status" = 0 ] || fail "exit status $status after SIGTERM"
}

# "WxH+X+Y" of each visible Quillbox window, one a line.
visible_windows() {
    local id
    for id in $(xdotool search --onlyvisible --class Quillbox 2>/dev/null); do
        xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
            /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print w "x" h "+" x "+" y}'
    done
}

# The window lists are read whole before matching: grep -q on a pipe would end the
# writer early, which pipefail reports as a failure.
popover_shown() { awk -F'[x+]' '$1 >= 720 && $2 >= 260 {f = 1} END {exit !f}' <<<"$(visible_windows)"; }
popover_hidden() { ! popover_shown; }
# The tray icon is small; the popover is at least 720 wide; a capture's card is 240 x 160;
# anything else is the menu (or an alert).
menu_shown() {
    awk -F'[x+]' '$1 >= 60 && $1 < 720 && !($1 == 240 && $2 == 160) {f = 1} END {exit !f}' \
        <<<"$(visible_windows)"
}
menu_hidden() { ! menu_shown; }
# An alert is a dialog window, unlike the menu.
alert_shown() {
    local id
    for id in $(xdotool search --onlyvisible --class Quillbox 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_DIALOG &&
            return 0
    done
    return 1
}
alert_hidden() { ! alert_shown; }

# Centre of the tray icon once the tray has embedded it.
tray_icon_centre() {
    # awk reads to the end: an early exit would fail the pipeline with SIGPIPE.
    xwininfo -root -tree | awk '!found && /\("quillbox" "Quillbox"\)/ {
        split($(NF-1), g, /[x+]/); split($NF, p, /\+/);
        if (g[1] <= 64) { print p[2] + int(g[1] / 2), p[3] + int(g[2] / 2); found = 1 } }' |
        grep .
}

click_tray() { # button
    local centre
    centre=$(tray_icon_centre) || fail "no tray icon"
    # shellcheck disable=SC2086
    xdotool mousemove $centre click "$1"
}
