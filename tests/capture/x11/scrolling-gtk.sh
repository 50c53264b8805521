#!/usr/bin/env bash
# A scrolling capture over a GTK 3 text view, started at its top: plain text over a white
# ground, where a wrong shift also matches loosely. The filed PNG must be as tall as the
# whole text, begin with what the view showed before and end with what it shows after.
# Runs inside scripts/x11-session.sh; SCROLL_DRIVER names the capture driver.
set -euo pipefail

work=$(mktemp -d /tmp/quillbox-scroll-gtk-XXXXXX)
view_pid=""
cleanup() {
    if [ -n "$view_pid" ]; then kill "$view_pid" 2>/dev/null; wait "$view_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "$0")/../../x11/wait.sh"

if ! /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null; then
    echo "GTK 3 for Python is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi

# Classic scroll bars: an overlay one would appear over the text while it scrolls.
GTK_OVERLAY_SCROLLING=0 /usr/bin/python3 "$(dirname "$0")/gtk-text-view.py" \
    "$work/geometry.txt" &
view_pid=$!
wait_for 150 test -s "$work/geometry.txt" || fail "the text view did not come on screen"
read -r x y w h content <"$work/geometry.txt"
sleep 0.5 # the window manager's first placement and paint
read -r x y w h content <"$work/geometry.txt"

region() { import -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"; }
region "$work/before.png"
out=$(timeout 90 "$SCROLL_DRIVER" "$x" "$y" "$w" "$h") || fail "the capture failed"
[ -f "$out" ] || fail "no file filed ($out)"
region "$work/after.png"

rows=$(identify -format '%h' "$out")
[ "$rows" = "$content" ] || fail "captured $rows rows, the text is $content rows high"
convert "$out" -crop "${w}x${h}+0+0" +repage "$work/top.png"
convert "$out" -gravity south -crop "${w}x${h}+0+0" +repage "$work/bottom.png"
for end in top:before bottom:after; do
    differing=$(compare -metric AE "$work/${end%%:*}.png" "$work/${end##*:}.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || fail "the capture's ${end%%:*} differs from the view ${end##*:} it ($differing pixels)"
done
echo "GTK text view: ${w}x$rows, the whole text"
