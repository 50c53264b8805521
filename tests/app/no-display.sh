#!/usr/bin/env bash
# Without an X server the program says so and fails instead of aborting.
set -uo pipefail
program="$QUILLBOX_BUILD_DIR/bin/quillbox"
out=$(env -u DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1)
status=$?
[ "$status" = 1 ] || { echo "FAIL: status $status without DISPLAY: $out" >&2; exit 1; }
echo "$out" | grep -q 'needs an X11 display' || { echo "FAIL: message: $out" >&2; exit 1; }
out=$(DISPLAY=:4711 "$program" 2>&1)
status=$?
[ "$status" = 1 ] || { echo "FAIL: status $status with no server: $out" >&2; exit 1; }
echo "no-display: all passed"
