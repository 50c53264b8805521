#!/usr/bin/env bash
# Without a tray (X11_NO_TRAY=1) the program still starts and holds its five hot keys, and
# the popover opens on its hot key; a tray started afterwards shows the icon.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

start_quillbox
for key in 0 13 3 1 4; do # A W F S H with control, option and command
    answer=$("$QUILLBOX_HOTKEY_HOLDER" "$key" 6400 once)
    [ "$answer" = refused ] || fail "key code $key is not held by Quillbox ($answer)"
done
# The popover's hot key opens it at the top of the screen, centred: 1600 wide on 1920.
xdotool key ctrl+alt+super+h
wait_for 50 popover_shown || fail "no popover from its hot key without a tray"
grep -q '^1600x[0-9]*+160+0$' <<<"$(visible_windows)" ||
    fail "popover without a tray at $(visible_windows | tr '\n' ' ')"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"

# A tray that starts later (a panel slower than Quillbox at login) gets the icon, and the
# popover opens under it.
trayer --edge top --align right --widthtype pixel --width 200 --height 24 \
    --SetDockType true --transparent false >/dev/null 2>&1 &
tray_pid=$!
wait_for 100 tray_icon_centre || { kill "$tray_pid"; fail "icon not docked in a late tray"; }
click_tray 1
wait_for 50 popover_shown || { kill "$tray_pid"; fail "no popover from the late tray"; }
grep -q '^1600x[0-9]*+320+2[0-9]$' <<<"$(visible_windows)" ||
    { kill "$tray_pid"; fail "popover not under the icon: $(visible_windows | tr '\n' ' ')"; }
kill "$tray_pid"
wait "$tray_pid" 2>/dev/null
stop_quillbox
# Once it has quit, the combinations are free again.
[ "$("$QUILLBOX_HOTKEY_HOLDER" 0 6400 once)" = held ] ||
    fail "control+option+command+A still held after quitting"
echo "no-tray: all passed"
