#!/usr/bin/env bash
# control+option+command+F (ctrl+alt+super+F here) files one full-screen capture: a PNG in
# the screenshots folder and one "fullScreen" record in the history file. With a tray,
# and again without one (X11_NO_TRAY=1 runs the same script).
set -uo pipefail
. "$(dirname "$0")/lib.sh"

if [ ! -x "$QUILLBOX_BUILD_DIR/bin/quillbox-capture" ]; then
    echo "SKIP: the capture tool quillbox-capture is not built in this tree yet"
    exit 77
fi
shots="$XDG_DATA_HOME/Quillbox/screenshots"
history="$XDG_DATA_HOME/Quillbox/history.json"

pngs() { find "$shots" -name '*.png' 2>/dev/null; }
one_png() { [ "$(pngs | wc -l)" = 1 ]; }
recorded() { [ "$(grep -oE '"kind" *: *"fullScreen"' "$history" 2>/dev/null | wc -l)" = 1 ]; }

start_quillbox
xdotool key ctrl+alt+super+f
wait_for 100 one_png || fail "no capture in $shots"
wait_for 100 recorded || fail "history: $(cat "$history" 2>/dev/null)"
size=$(identify -format '%wx%h' "$(pngs)") || fail "not a readable PNG"
[ "$size" = 1920x1080 ] || fail "capture is $size"
grep -q "\"fileName\" *: *\"$(basename "$(pngs)")\"" "$history" || fail "history names another file"
stop_quillbox
echo "capture-hotkey: all passed"
