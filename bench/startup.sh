#!/usr/bin/env bash
# Start-up of Quillbox alone: milliseconds from exec to its icon mapped in the tray, and to
# its "ready" marker (icon shown, library read, hot keys registered), in one private X
# session (Xvfb 1920x1080 + openbox + trayer, a session bus of its own, fresh HOME/XDG).
# Several builds (say the one before and the one after a change) are started in turn, one
# unmeasured start each first, so that none profits from a warmer cache or a quieter
# moment; each gets the median and quartiles of RUNS starts.
#   bench/startup.sh [RUNS] [BUILD_DIR...]     (defaults: 21, build/release)
# STARTUP_HISTORY=N starts each with a library of N captures; STARTUP_NO_BUS=1 without a
# session bus. The timer is build/dev/bench/tray_icon_time (built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${STARTUP_INSIDE:-}" ]; then
    runs=${1:-21}
    shift $(($# > 0 ? 1 : 0))
    builds=("$@")
    if [ ${#builds[@]} = 0 ]; then
        builds=(build/release)
        [ -x build/release/bin/quillbox ] || scripts/build.sh release >/dev/null
    fi
    programs=()
    for build in "${builds[@]}"; do programs+=("$(realpath "$build")/bin/quillbox"); done
    timer=build/dev/bench/tray_icon_time
    if [ ! -x "$timer" ]; then
        cmake --preset dev >/dev/null
        cmake --build --preset dev --target tray_icon_time >/dev/null
    fi
    export STARTUP_INSIDE=1 STARTUP_TIMER=$(realpath "$timer")
    bus=(dbus-run-session --)
    [ -z "${STARTUP_NO_BUS:-}" ] || bus=()
    exec scripts/x11-session.sh "${bus[@]}" "$0" "$runs" "${programs[@]}"
fi

# ---- inside the session ----
runs=$1
shift
panel=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ && !p {p = $1} END {print p}')
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

history() { # a library of $1 captures, written anew before each start
    local n=$1 base=$XDG_DATA_HOME/Quillbox
    rm -rf "$base"
    [ "$n" -gt 0 ] || return 0
    mkdir -p "$base/screenshots"
    python3 - "$base" "$n" <<'PY'
import json, os, sys, uuid, zlib, struct
base, n = sys.argv[1], int(sys.argv[2])
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 40, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress((b"\0" + b"\x40\x80\xc0" * 64) * 40)) + chunk(b"IEND", b""))
records = []
for i in range(n):
    name = "Quillbox 2025-03-03 at 09.05.%02d (%d).png" % (i % 60, i + 2)
    open(os.path.join(base, "screenshots", name), "wb").write(png)
    records.append({"id": str(uuid.uuid4()).upper(), "fileName": name,
                    "timestamp": 762685507.25 + i, "kind": "area"})
json.dump(records, open(os.path.join(base, "history.json"), "w"))
PY
}

start() { # program
    history "${STARTUP_HISTORY:-0}"
    "$STARTUP_TIMER" "$panel" "$1"
}

cpu() { awk '/^cpu / {print $2 + $3 + $4 + $7 + $8, $2 + $3 + $4 + $5 + $6 + $7 + $8}' /proc/stat; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
read -r busy_before all_before < <(cpu)
for i in $(seq 0 $(($# - 1))); do
    programs[i]=$1
    shift
    start "${programs[i]}" >/dev/null
done
for _ in $(seq "$runs"); do
    for i in "${!programs[@]}"; do
        start "${programs[i]}" >>"$results/$i" || true
    done
done

quartiles() { # "q1 median q3" of the numbers on stdin, "-" when there are none
    sort -n | awk '{v[NR] = $1}
        function at(p,  k, f) { k = 1 + (NR - 1) * p; f = int(k); return v[f] + (k - f) * (v[f + 1] - v[f]) }
        END { if (NR == 0) print "- - -"; else printf "%.1f %.1f %.1f\n", at(0.25), at(0.5), at(0.75) }'
}
read -r busy_after all_after < <(cpu)
echo "startup: $runs starts each, taken in turn; $(nproc) CPUs, $(awk -v b=$((busy_after - busy_before)) \
    -v a=$((all_after - all_before)) 'BEGIN {printf "%.0f", 100 * b / a}')% busy meanwhile, these starts included" \
    "(load average $load_before before, $(cut -d' ' -f1-3 /proc/loadavg) after);" \
    "Xvfb $(xdpyinfo | awk '/dimensions/ {print $2}'); library of ${STARTUP_HISTORY:-0}"
printf '   icon in tray (ms)         ready (ms)\n'
printf '%5s %6s %5s    %5s %6s %5s   %s\n' q1 median q3 q1 median q3 program
for i in "${!programs[@]}"; do
    read -r i1 i2 i3 < <(awk '$1 != "-" {print $1}' "$results/$i" | quartiles)
    read -r r1 r2 r3 < <(awk '$2 != "-" {print $2}' "$results/$i" | quartiles)
    missed=$(awk '$1 == "-"' "$results/$i" | wc -l)
    printf '%5s %6s %5s    %5s %6s %5s   %s%s\n' "$i1" "$i2" "$i3" "$r1" "$r2" "$r3" \
        "${programs[i]}" "$([ "$missed" = 0 ] || echo " ($missed starts without an icon)")"
done
