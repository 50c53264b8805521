#!/usr/bin/env bash
# Without a tray (X11_NO_TRAY=1) the program still starts and holds its five hot keys;
# a tray started afterwards shows its icon.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

start_quillbox
for key in 0 13 3 1 4; do # A W F S H with control, option and command
    answer=$("$QUILLBOX_HOTKEY_HOLDER" "$key" 6400 once)
    [ "$answer" = refused ] || fail "key code $key is not held by Quillbox ($answer)"
done
xdotool key ctrl+alt+super+h

# A tray that starts later (a panel slower than Quillbox at login) gets the icon.
trayer --edge top --align right --widthtype pixel --width 200 --height 24 \
    --SetDockType true --transparent false >/dev/null 2>&1 &
tray_pid=$!
wait_for 100 tray_icon_centre || { kill "$tray_pid"; fail "icon not docked in a late tray"; }
# Docking took turns of the event loop after the hot key's: had it shown the popover, the
# popover would be on screen now.
popover_hidden || { kill "$tray_pid"; fail "popover shown without a tray"; }
click_tray 1
wait_for 50 popover_shown || { kill "$tray_pid"; fail "no popover from the late tray"; }
kill "$tray_pid"
wait "$tray_pid" 2>/dev/null
stop_quillbox
# Once it has quit, the combinations are free again.
[ "$("$QUILLBOX_HOTKEY_HOLDER" 0 6400 once)" = held ] ||
    fail "control+option+command+A still held after quitting"
echo "no-tray: all passed"
