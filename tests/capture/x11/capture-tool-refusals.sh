#!/usr/bin/env bash
# The capture tool writes a whole PNG or nothing, and says why (run inside
# scripts/x11-session.sh): a full disk, a device, a FIFO; --help. The tmpfs and device
# cases need root and are skipped with a message otherwise.
set -uo pipefail
tool="$QUILLBOX_BUILD_DIR/bin/quillbox-capture"
work=$(mktemp -d /tmp/quillbox-refusal-test-XXXXXX)
mounted=""
cleanup() {
    [ -n "$mounted" ] && umount "$mounted"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Runs the tool (bounded, never left hanging); sets $status and $said.
run() {
    timeout 30 "$tool" "$@" >"$work/stdout" 2>"$work/stderr"
    status=$?
    said=$(cat "$work/stderr")
}

run --help
if [ "$status" = 0 ] && grep -q '^usage: quillbox-capture' "$work/stdout"; then
    pass "--help"
else fail "--help: status $status, $(cat "$work/stdout")"; fi

mkfifo "$work/fifo"
run -x "$work/fifo"
if [ "$status" = 1 ] && [ -p "$work/fifo" ] && [[ $said == *"not a regular file"* ]]; then
    pass "a FIFO is refused"
else fail "FIFO: status $status, $said"; fi

if [ "$(id -u)" != 0 ]; then
    echo "SKIP: a device and a full tmpfs need root"
    exit $((failures > 0))
fi

mknod "$work/null" c 1 3 # a /dev/null of our own
run -x "$work/null"
if [ "$status" = 1 ] && [ -c "$work/null" ] && [[ $said == *"not a regular file"* ]]; then
    pass "a device is refused"
else fail "device: status $status, $said"; fi

# A screen whose PNG is far larger than what is left on the disk.
convert -size 640x480 xc: +noise Random "$work/noise.png" && display -window root "$work/noise.png"
run -x "$work/reference.png"
size=$(stat -c %s "$work/reference.png" 2>/dev/null || echo 0)
[ "$size" -gt 8192 ] || fail "the screen's PNG is only $size bytes"

mkdir "$work/full"
mount -t tmpfs -o size=64k tmpfs "$work/full" && mounted="$work/full"
avail=$(df --output=avail -B1 "$work/full" | tail -1)
fallocate -l $((avail - 4096)) "$work/full/filler"
run -x "$work/full/shot.png"
left=$(ls -A "$work/full" | grep -v -x filler)
if [ "$status" = 1 ] && [[ $said == *"No space left on device"* ]] && [ -z "$left" ]; then
    pass "a full disk fails with its reason and leaves nothing"
else fail "full disk: status $status, said '$said', left '$left'"; fi

[ "$failures" = 0 ] && echo "capture-tool-refusals: all passed"
exit $((failures > 0))
