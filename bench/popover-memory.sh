#!/usr/bin/env bash
# Anonymous memory of the program (/proc/PID/smaps_rollup) idle after its start, with the
# popover open after its strip has shown every one of 100 captures, and 10 s after the
# popover closed; one or more builds side by side (rounds alternate the builds, each in a
# fresh private X session of 1920×1080 with a tray). Runs no other tool.
#   bench/popover-memory.sh [ROUNDS] [BUILD_DIR...]   (default: 3 rounds of build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" = "--inside" ]; then
    build=$2 out=$3
    source "$root/tests/x11/wait.sh"
    library="$XDG_DATA_HOME/Quillbox/screenshots"
    mkdir -p "$library"
    pid=
    trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null' EXIT
    # 100 captures of this screen, as the library's history lists them.
    "$build/bin/quillbox-capture" -x "$library/first.png"
    python3 - "$library" <<'EOF'
import json, os, shutil, sys, uuid
library = sys.argv[1]
records = []
for i in range(100):
    name = f"Quillbox capture {i:03}.png"
    shutil.copy(os.path.join(library, "first.png"), os.path.join(library, name))
    records.append({"id": str(uuid.uuid4()).upper(), "fileName": name,
                    "timestamp": 7.8e8 - i * 60, "kind": "fullScreen"})
os.remove(os.path.join(library, "first.png"))
with open(os.path.join(library, "..", "history.json"), "w") as f:
    json.dump(records, f)
EOF
    anonymous() { awk '/^Anonymous:/ {printf "%.1f", $2 / 1024}' "/proc/$pid/smaps_rollup"; }
    # The popover: the wide window of ours (the tray icon is one too).
    popover() {
        local id
        for id in $(xdotool search --onlyvisible --class Quillbox 2>/dev/null); do
            xwininfo -id "$id" 2>/dev/null | grep -qE 'Width: [0-9]{3,}$' && { echo "$id"; return; }
        done
    }
    QUILLBOX_READY_MARKER=1 "$build/bin/quillbox" 2>"$library/../log" &
    pid=$!
    wait_for 100 grep -q '^quillbox: ready$' "$library/../log" || { echo "no start" >&2; exit 1; }
    sleep 5
    idle=$(anonymous)
    xdotool key ctrl+alt+super+h
    wait_for 100 test -n "$(popover)" || { echo "no popover" >&2; exit 1; }
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$(popover)")"
    # Over the strip, then the wheel through every card, letting each view load.
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 90))
    for _ in $(seq 40); do
        xdotool click --repeat 10 --delay 5 5
        sleep 0.1
    done
    sleep 2
    open=$(anonymous)
    xdotool key ctrl+alt+super+h
    wait_for 100 test -z "$(popover)" || { echo "the popover stays" >&2; exit 1; }
    sleep 10
    echo "$build $idle $open $(anonymous)" >>"$out"
    exit 0
fi

rounds=${1:-3}
shift || true
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=("$root/build/dev")
for b in "${builds[@]}"; do
    [ -x "$b/bin/quillbox" ] || { echo "popover-memory: $b/bin/quillbox is missing" >&2; exit 1; }
done
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for ((round = 0; round < rounds; round++)); do
    for b in "${builds[@]}"; do
        "$root/scripts/x11-session.sh" "$root/bench/popover-memory.sh" --inside "$b" "$out"
    done
done
echo "Anonymous memory in MiB, median of $rounds ($(date -u +%F))"
printf '%-40s %8s %8s %14s\n' build idle open "10 s closed"
for b in "${builds[@]}"; do
    median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
    printf '%-40s %8s %8s %14s\n' "$b" \
        "$(awk -v b="$b" '$1 == b {print $2}' "$out" | median)" \
        "$(awk -v b="$b" '$1 == b {print $3}' "$out" | median)" \
        "$(awk -v b="$b" '$1 == b {print $4}' "$out" | median)"
done
