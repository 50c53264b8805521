#!/usr/bin/env bash
# The settings window from the tray menu: a combination recorded there replaces the
# full-screen shortcut; it captures through the new keys and no longer through the old.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

shots="$XDG_DATA_HOME/Quillbox/screenshots"
history="$XDG_DATA_HOME/Quillbox/history.json"
conf="$XDG_CONFIG_HOME/Quillbox/Quillbox.conf"
holder="$QUILLBOX_HOTKEY_HOLDER"

settings_window() { xdotool search --onlyvisible --name '^Quillbox Settings$' | grep .; }
settings_active() { [ "$(xdotool getactivewindow)" = "$(settings_window | head -n1)" ]; }
# Whether another program can take a combination (key code, modifier mask) now.
free_for_others() { [ "$("$holder" "$1" "$2" once)" = held ]; }
held_by_quillbox() { [ "$("$holder" "$1" "$2" once)" = refused ]; }
pngs() { find "$shots" -name '*.png' 2>/dev/null; }
one_png() { [ "$(pngs | wc -l)" = 1 ]; }
recorded() { [ "$(grep -oE '"kind" *: *"fullScreen"' "$history" 2>/dev/null | wc -l)" = 1 ]; }
no_capture_running() { ! pgrep -P "$pid" >/dev/null; }

start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"

echo "== \"Settings…\" in the tray menu opens the window"
click_tray 3
wait_for 50 menu_shown || fail "menu not shown"
xdotool key Down Down Down Down Down Down Return # the sixth item, past "Open History…"
wait_for 50 settings_window || fail "no settings window"
size=$(xwininfo -id "$(settings_window | head -n1)" | awk '/^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF}
    END {print w "x" h}')
[ "$size" = 480x620 ] || fail "settings window is $size"
wait_for 50 settings_active || fail "the settings window has no keyboard focus"

echo "== the login switch writes and removes the autostart entry"
entry="$XDG_CONFIG_HOME/autostart/quillbox.desktop"
# The focus starts on nothing a key can switch: the first Space does nothing, Tab reaches
# the switch.
xdotool key space Tab space
wait_for 50 grep -qxF "Exec=\"$program\"" "$entry" || fail "autostart entry: $(cat "$entry" 2>/dev/null)"
xdotool key space
wait_for 50 test ! -e "$entry" || fail "autostart entry left after switching off"

echo "== while a shortcut records, Quillbox lets go of its hot keys"
# From the login switch, past "Choose Folder…", "Reveal" and two shortcuts lies the
# full-screen one.
xdotool key Tab Tab Tab Tab Tab space
wait_for 50 free_for_others 3 6400 || fail "control+option+command+F still held while recording"
xdotool key ctrl+alt+super+d
wait_for 50 grep -q 'hotkey.captureFullScreen=.*keyCode\\":2,\\"modifiers\\":6400' "$conf" ||
    fail "recorded combination not stored: $(cat "$conf" 2>/dev/null)"
wait_for 50 held_by_quillbox 2 6400 || fail "the new combination is not held"
free_for_others 3 6400 || fail "the old combination is still held"

echo "== the new combination captures, the old one no longer"
# Pressed first: had the old combination fired, its capture would have started first.
xdotool key ctrl+alt+super+f ctrl+alt+super+d
wait_for 100 one_png || fail "no capture through the new combination"
wait_for 100 recorded || fail "history: $(cat "$history" 2>/dev/null)"
wait_for 100 no_capture_running || fail "a capture tool is still running"
one_png || fail "captures: $(pngs | tr '\n' ' ')"

echo "== \"Reset Shortcuts\" brings the default back"
xdotool key Tab Tab Tab space # past the last two shortcuts
wait_for 50 held_by_quillbox 3 6400 || fail "control+option+command+F not held after the reset"
free_for_others 2 6400 || fail "the recorded combination is still held after the reset"
stop_quillbox
echo "settings: all passed"
