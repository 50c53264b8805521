#!/usr/bin/env bash
# One Quillbox per display: a second start says so and leaves, and the first keeps its hot
# keys and its one tray icon. A start while the running instance quits (as a relaunch
# does) waits for it and takes over.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

icons() { xwininfo -root -tree | grep -c '("quillbox" "Quillbox")'; }
# Each instance names the window it claims the display with.
two_claiming() { [ "$(xwininfo -root -tree | grep -c '"Quillbox instance"')" = 2 ]; }

echo "== a second start leaves the first one alone"
start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"
# Also from a desktop that asks Qt programs to prefer Wayland: Quillbox uses X all the same.
second=$(QT_QPA_PLATFORM='wayland;xcb' timeout 30 "$program" 2>&1)
status=$?
[ "$status" = 1 ] || fail "second start: status $status: $second"
grep -q 'already running' <<<"$second" || fail "second start said: $second"
kill -0 "$pid" || fail "the first instance quit"
[ "$(icons)" = 1 ] || fail "$(icons) tray icons"
[ "$("$QUILLBOX_HOTKEY_HOLDER" 0 6400 once)" = refused ] ||
    fail "control+option+command+A is no longer held"

echo "== a start while the running instance quits takes over"
old=$pid
QUILLBOX_READY_MARKER=1 "$program" 2>"$work/stderr" &
pid=$!
# The new one is waiting for the display before the old one goes.
wait_for 100 two_claiming || fail "the new instance did not connect"
kill -TERM "$old"
wait "$old" || fail "the old instance: exit status $?"
wait_for 100 grep -q '^quillbox: ready$' "$work/stderr" || fail "the new instance never got ready"
[ "$("$QUILLBOX_HOTKEY_HOLDER" 0 6400 once)" = refused ] ||
    fail "the new instance does not hold control+option+command+A"
stop_quillbox
echo "instance: all passed"
