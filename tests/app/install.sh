#!/usr/bin/env bash
# `cmake --install` into a prefix with a space: the program, both halves of the capture
# tool beside it, its modules, the menu entry starting the program by its quoted path, and
# the icon.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/a prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$QUILLBOX_BUILD_DIR" --prefix "$prefix" >"$work/log" 2>&1 ||
    fail "install: $(cat "$work/log")"
for tool in quillbox quillbox-capture quillbox-capture-select; do
    [ -x "$prefix/bin/$tool" ] || fail "no executable bin/$tool"
done
entry="$prefix/share/applications/quillbox.desktop"
[ -f "$entry" ] || fail "no menu entry"
grep -qxF "Exec=\"$prefix/bin/quillbox\"" "$entry" || fail "Exec line: $(grep Exec "$entry")"
grep -qx 'Icon=quillbox' "$entry" || fail "Icon line"
[ -f "$prefix/share/icons/hicolor/scalable/apps/quillbox.svg" ] || fail "no icon"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate"
fi
# The installed program runs from there (it stops at once without an X server), and finds
# its crash-reporting module when an endpoint is set.
out=$(env -u DISPLAY XDG_CACHE_HOME="$work/cache" SENTRY_DSN=http://public@127.0.0.1:9/1 \
    "$prefix/bin/quillbox" 2>&1)
echo "$out" | grep -q 'needs an X11 display' || fail "installed program: $out"
echo "$out" | grep -q 'crash reporting is off' && fail "installed program: $out"
[ -d "$work/cache/Quillbox/crash-reports" ] || fail "no crash reporting: $out"
echo "install: all passed"
