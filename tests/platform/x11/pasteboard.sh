#!/usr/bin/env bash
# Another X client pastes a copied capture (run inside scripts/x11-session.sh): the
# clipboard offers "image/png", and a paste gives the capture's file byte for byte, also
# when it is big enough to travel in increments.
set -uo pipefail
owner="$1"
work=$(mktemp -d /tmp/quillbox-paste-test-XXXXXX)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

name="Quillbox 2025-03-03 at 09.05.07.png"
mkdir -p "$work/Quillbox/screenshots"
# Noise does not compress: about 2 MB of PNG, far over one X request.
convert -size 800x800 xc: +noise Random "$work/Quillbox/screenshots/$name"
printf '[{"id":"6F1B3C2A-1111-4A2B-9C3D-0123456789AB","fileName":"%s","timestamp":1,"kind":"area"}]' \
    "$name" >"$work/Quillbox/history.json"

"$owner" "$work" >"$work/owner.log" 2>&1 &
pid=$!
source "$(dirname "$0")/../../x11/wait.sh"
wait_for 100 grep -q copied "$work/owner.log" || { echo "FAIL: the capture was not copied" >&2; cat "$work/owner.log" >&2; exit 1; }

targets=$(timeout 10 xclip -selection clipboard -t TARGETS -o)
grep -qx 'image/png' <<<"$targets" || { echo "FAIL: no image/png among: $targets" >&2; exit 1; }
timeout 20 xclip -selection clipboard -t image/png -o >"$work/pasted" || { echo "FAIL: paste failed" >&2; exit 1; }
cmp "$work/Quillbox/screenshots/$name" "$work/pasted" || { echo "FAIL: the paste is not the file" >&2; exit 1; }
echo "ok: pasted $(stat -c %s "$work/pasted") bytes, the capture's own"
