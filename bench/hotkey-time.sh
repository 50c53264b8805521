#!/usr/bin/env bash
# A full-screen capture from its hot key to the PNG complete in the library, against the
# capture tool alone, for one or more Quillbox builds side by side: rounds alternate the
# builds, each starting its program afresh in one private X session (1920×1080, tray) and
# taking RUNS captures with no thumbnail card up. Runs no other tool.
#   bench/hotkey-time.sh [ROUNDS] [RUNS] [BUILD_DIR...]   (default: 5 rounds of 3, build/dev)
# Environment: CPUS=0,1 pins Quillbox and its tool to those cores (taskset); GAP_MS=1500
# takes each capture while the last one's card is still up (default 6000: gone).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export helpers=${QUILLBOX_BENCH_HELPERS:-$root/build/dev/bench}

if [ "${1:-}" = "--inside" ]; then
    rounds=$2 runs=$3 out=$4
    shift 4
    source "$root/tests/x11/wait.sh"
    library="$XDG_DATA_HOME/Quillbox/screenshots"
    scratch=$(mktemp -d /tmp/quillbox-bench-XXXXXX)
    pid=
    trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$scratch"' EXIT
    pin=()
    [ -n "${CPUS:-}" ] && pin=(taskset -c "$CPUS")
    for ((round = 0; round < rounds; round++)); do
        for build in "$@"; do
            QUILLBOX_READY_MARKER=1 "${pin[@]}" "$build/bin/quillbox" 2>"$scratch/log" &
            pid=$!
            wait_for 100 grep -q '^quillbox: ready$' "$scratch/log" ||
                { echo "hotkey-time: $build did not start" >&2; exit 1; }
            mkdir -p "$library"
            sleep 1 # let the start settle
            "$helpers/hotkey_to_file" "$library" "$build/bin/quillbox-capture" "$scratch" \
                "$runs" "${GAP_MS:-6000}" | sed "s|^|$build |" >>"$out"
            kill "$pid"
            wait "$pid" 2>/dev/null || true
            pid=
            rm -f "$library"/*.png "$scratch"/*.png
        done
    done
    exit 0
fi

rounds=${1:-5}
runs=${2:-3}
shift 2 || shift $#
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=("$root/build/dev")
for b in "${builds[@]}"; do
    [ -x "$b/bin/quillbox" ] || { echo "hotkey-time: $b/bin/quillbox is missing" >&2; exit 1; }
done
[ -x "$helpers/hotkey_to_file" ] ||
    { echo "hotkey-time: $helpers/hotkey_to_file is missing; build the dev preset" >&2; exit 1; }

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$root/scripts/x11-session.sh" "$root/bench/hotkey-time.sh" --inside "$rounds" "$runs" "$out" \
    "${builds[@]}"
echo "Full-screen capture, median of $((rounds * runs)), ${GAP_MS:-6000} ms apart ($(nproc) cores, ${CPUS:-all}, $(date -u +%F))"
printf '%-40s %12s %10s %10s\n' build "hotkey ms" "tool ms" difference
source "$root/bench/screen.sh"
for b in "${builds[@]}"; do
    h=$(awk -v b="$b" '$1 == b && $2 == "hotkey" {print $3}' "$out" | median)
    t=$(awk -v b="$b" '$1 == b && $2 == "tool" {print $3}' "$out" | median)
    printf '%-40s %12.1f %10.1f %10.1f\n' "$b" "$h" "$t" "$(echo "$h - $t" | bc -l)"
done
