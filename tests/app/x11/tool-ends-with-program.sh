#!/usr/bin/env bash
# A capture tool started by Quillbox ends with it: killed while the user is still picking
# an area, Quillbox leaves no tool behind and no PNG that no history would list.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

shots="$XDG_DATA_HOME/Quillbox/screenshots"
overlay_shown() { xdotool search --onlyvisible --name '^quillbox-capture$' >/dev/null 2>&1; }
overlay_gone() { ! overlay_shown; }

start_quillbox
xdotool key ctrl+alt+super+a
wait_for 100 overlay_shown || fail "the area selection never showed"
tool=$(pgrep -P "$pid") || fail "no capture tool under Quillbox"
kill -KILL "$pid"
wait "$pid" 2>/dev/null
pid=""
wait_for 100 sh -c "! kill -0 $tool" || fail "the capture tool outlived Quillbox"
wait_for 100 overlay_gone || fail "the selection stayed on screen"
# Had it survived, a drag would now write a file.
xdotool mousemove 100 100 mousedown 1 mousemove 300 300 mouseup 1
[ -z "$(find "$shots" -name '*.png' 2>/dev/null)" ] || fail "a PNG was left: $(ls "$shots")"
echo "tool-ends-with-program: all passed"
