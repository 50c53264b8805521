#!/usr/bin/env bash
# Full-screen capture to a PNG file, whole process, of one or more Quillbox builds side by
# side (interleaved, so drift hits each alike), on the screen capture-peers.sh shows: a
# window of text and a photo-like picture, at 1920×1080 and 3840×2160. Runs no other tool.
#   bench/capture-time.sh [RUNS] [BUILD_DIR...]   (default: 15 runs of build/dev; a release
#   build works too, the helpers come from build/dev)
# Environment: CPUS=0,1 pins every run to those cores (taskset); QUILLBOX_BENCH_KEEP=PREFIX
# keeps each build's file as PREFIX-WIDTH-N.png; SIZES="1920x1080" limits the screens.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# The screen's text window and Qt's file size come from a dev build's helpers.
export helpers=${QUILLBOX_BENCH_HELPERS:-$root/build/dev/bench}

if [ "${1:-}" = "--inside" ]; then
    runs=$2 width=$3 height=$4 out=$5
    shift 5
    builds=("$@")
    work=$(mktemp -d /tmp/quillbox-bench-XXXXXX)
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

    source "$root/bench/screen.sh"
    show_bench_screen "$width" "$height" "$work"

    pin=()
    [ -n "${CPUS:-}" ] && pin=(taskset -c "$CPUS")
    declare -A times sizes
    for i in "${!builds[@]}"; do # warm the caches; keep one file for its size
        rm -f "$work/out.png"
        "${pin[@]}" "${builds[$i]}/bin/quillbox-capture" -x "$work/out.png"
        sizes[$i]=$(stat -c %s "$work/out.png")
        cp "$work/out.png" "$work/ours-$i.png"
        [ -n "${QUILLBOX_BENCH_KEEP:-}" ] && cp "$work/out.png" "$QUILLBOX_BENCH_KEEP-$width-$i.png"
    done
    for ((run = 0; run < runs; run++)); do
        for i in "${!builds[@]}"; do
            rm -f "$work/out.png"
            start=$(date +%s%N)
            "${pin[@]}" "${builds[$i]}/bin/quillbox-capture" -x "$work/out.png"
            end=$(date +%s%N)
            times[$i]="${times[$i]:-} $(((end - start) / 1000))"
        done
    done
    qt=$("$helpers/qt_png_size" "$work/ours-0.png")
    {
        for i in "${!builds[@]}"; do
            m=$(echo "${times[$i]}" | median)
            printf '%-10s %-40s %8.1f %10d\n' "${width}x${height}" "${builds[$i]}" \
                "$(echo "$m / 1000" | bc -l)" "${sizes[$i]}"
        done
        printf '%-10s %-40s %8s %10d\n' "${width}x${height}" "(Qt default PNG)" - "$qt"
    } >>"$out"
    exit 0
fi

runs=${1:-15}
shift || true
builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=("$root/build/dev")
for b in "${builds[@]}"; do
    [ -x "$b/bin/quillbox-capture" ] || { echo "capture-time: $b/bin/quillbox-capture is missing" >&2; exit 1; }
done
for f in "$helpers/qt_png_size" "$helpers/bench_text_window"; do
    [ -x "$f" ] || { echo "capture-time: $f is missing; build the dev preset first" >&2; exit 1; }
done

out=$(mktemp)
trap 'rm -f "$out"' EXIT
for size in ${SIZES:-1920x1080 3840x2160}; do
    X11_SCREEN="${size}x24" X11_NO_TRAY=1 "$root/scripts/x11-session.sh" \
        "$root/bench/capture-time.sh" --inside "$runs" "${size%x*}" "${size#*x}" "$out" "${builds[@]}"
done
echo "Full-screen capture to a PNG file, median of $runs runs (${CPUS:-all $(nproc)} cores, $(date -u +%F))"
printf '%-10s %-40s %8s %10s\n' screen build ms bytes
cat "$out"
