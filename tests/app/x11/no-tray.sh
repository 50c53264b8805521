#!/usr/bin/env bash
# Without a tray (X11_NO_TRAY=1) the program still starts and holds its five hot keys.
set -uo pipefail
. "$(dirname "$0")/lib.sh"

start_quillbox
for key in 0 13 3 1 4; do # A W F S H with control, option and command
    answer=$("$QUILLBOX_HOTKEY_HOLDER" "$key" 6400 once)
    [ "$answer" = refused ] || fail "key code $key is not held by Quillbox ($answer)"
done
xdotool key ctrl+alt+super+h
popover_hidden || fail "popover shown without a tray"
stop_quillbox
# Once it has quit, the combinations are free again.
[ "$("$QUILLBOX_HOTKEY_HOLDER" 0 6400 once)" = held ] ||
    fail "control+option+command+A still held after quitting"
echo "no-tray: all passed"
