#!/usr/bin/env bash
# The tray program in a session with a tray: clicks on the icon, its menu, a shortcut
# stored before start, and quitting by SIGTERM and from the menu.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

echo "== left click shows the popover, a second closes it"
start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"
# Crash reporting without an endpoint, update checks and sounds load only when used.
loaded=$(grep -oE 'lib(curl|Qt6Network|canberra)[^/]*$' "/proc/$pid/maps" | sort -u)
[ -z "$loaded" ] || fail "loaded at the start: $loaded"
click_tray 1
wait_for 50 popover_shown || fail "popover not shown"
# 1920 wide screen: 1920 - 40 is more than 1600.
grep -q '^1600x' <<<"$(visible_windows)" || fail "popover size: $(visible_windows | tr '\n' ' ')"
click_tray 1
wait_for 50 popover_hidden || fail "second click left the popover open"

echo "== right click while the popover is shown: the menu, and the popover closed"
click_tray 1
wait_for 50 popover_shown || fail "popover not shown again"
click_tray 3
wait_for 50 menu_shown || fail "right click with the popover open showed no menu"
popover_hidden || fail "the popover stayed open under the menu"
echo "== \"Open History…\" shows the popover"
xdotool key Down Down Down Down Down Return # the fifth item, past the four captures
wait_for 50 popover_shown || fail "Open History… did not show the popover"
menu_hidden || fail "the menu stayed open"
# The tray takes two right clicks within the double-click time as one.
sleep 0.5

echo "== right click shows the menu, not the popover; its last item quits"
click_tray 3
wait_for 50 menu_shown || fail "menu not shown"
popover_hidden || fail "right click showed the popover"
# A capture hot key while the menu is open closes it (the capture needs the pointer).
xdotool key ctrl+alt+super+f
wait_for 50 menu_hidden || fail "capture hot key left the menu open"
# The tray takes two right clicks within the double-click time as one.
sleep 0.5
click_tray 3
wait_for 50 menu_shown || fail "menu not shown again"
xdotool key Escape
wait_for 50 menu_hidden || fail "Esc left the menu open"

echo "== closing the last window does not quit"
sleep 0.5
click_tray 3
wait_for 50 menu_shown || fail "menu not shown a third time"
xdotool key Up Up Return # "Check for Updates…": this build has no feed and says so
wait_for 50 alert_shown || fail "no alert from Check for Updates…"
xdotool key Return
wait_for 50 alert_hidden || fail "the alert stayed open"
kill -0 "$pid" || fail "the program quit with its last window"
click_tray 1
wait_for 50 popover_shown || fail "the program quit with its last window"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"

sleep 0.5
click_tray 3
wait_for 50 menu_shown || fail "menu not shown a fourth time"
xdotool key Up Return
wait_for 100 sh -c "! kill -0 $pid" || fail "Quit Quillbox did not quit"
wait "$pid" || fail "Quit Quillbox: exit status $?"
pid=""

echo "== a shortcut stored before start replaces the default"
mkdir -p "$XDG_CONFIG_HOME/Quillbox"
# Show History on control+option+command+G (key code 5) instead of H.
cat >"$XDG_CONFIG_HOME/Quillbox/Quillbox.conf" <<'CONF'
[General]
hotkey.togglePopover="@ByteArray({\"keyCode\":5,\"modifiers\":6400})"
CONF
start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"
# H would open the popover and G close it again; only G may act.
xdotool key ctrl+alt+super+h ctrl+alt+super+g
wait_for 50 popover_shown || fail "stored shortcut did not open the popover"
# The popover holds the keyboard; its hot key still closes it.
xdotool key ctrl+alt+super+g
wait_for 50 popover_hidden || fail "stored shortcut did not close the popover"

echo "== the popover hot key counts every new press, held or not"
# Held until the popover has closed: the popover had the keyboard at the press, so the
# release goes to no window of ours.
xdotool keydown ctrl+alt+super+g
wait_for 50 popover_shown || fail "the hot key did not open the popover"
xdotool keyup ctrl+alt+super+g
xdotool keydown ctrl+alt+super+g
wait_for 50 popover_hidden || fail "the hot key did not close the popover"
xdotool keyup ctrl+alt+super+g
xdotool key ctrl+alt+super+g
wait_for 50 popover_shown || fail "a new press after a release was taken for a repeat"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"

echo "== SIGTERM quits cleanly"
stop_quillbox

echo "== Ctrl+Q quits while the menu is open, also one opened while another client held the keyboard"
start_quillbox
wait_for 100 tray_icon_centre || fail "the tray never embedded the icon"
"$QUILLBOX_HOTKEY_HOLDER" keyboard 500 >"$work/holder" &
holder=$!
wait_for 50 grep -q held "$work/holder" || fail "the keyboard could not be held"
click_tray 3
wait_for 50 menu_shown || fail "menu not shown"
wait "$holder"
xdotool key ctrl+q
wait_for 100 sh -c "! kill -0 $pid" || fail "Ctrl+Q in the menu did not quit"
wait "$pid" || fail "Ctrl+Q: exit status $?"
pid=""
echo "tray: all passed"
