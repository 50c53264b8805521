#!/usr/bin/env bash
# Full-screen capture to a PNG file, whole process, against scrot, maim and flameshot, on a
# private Xvfb showing a window of text and a photo-like picture, at 1920×1080 and
# 3840×2160. Prints the median time of each, its ratio to scrot's, and the file sizes,
# with the size Qt's default PNG writer makes of the same screen.
#   bench/capture-peers.sh [RUNS]   (as root: installs the peers from Debian's packages)
# Needs a dev build (scripts/build.sh dev).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${QUILLBOX_BUILD_DIR:-$root/build/dev}
helpers=$build/bench

if [ "${1:-}" = "--inside" ]; then
    # Runs inside scripts/x11-session.sh: sets up the screen and times every tool.
    runs=$2 width=$3 height=$4 out=$5
    work=$(mktemp -d /tmp/quillbox-bench-XXXXXX)
    pids=()
    trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

    source "$root/bench/screen.sh"
    show_bench_screen "$width" "$height" "$work"

    mkdir -p "$work/flameshot"
    declare -A commands=(
        [quillbox-capture]="$build/bin/quillbox-capture -x $work/out.png"
        [scrot]="scrot -o $work/out.png"
        [maim]="maim $work/out.png"
        [flameshot]="flameshot full -p $work/flameshot/out.png"
    )
    tools=(quillbox-capture scrot maim flameshot)
    declare -A times sizes
    for tool in "${tools[@]}"; do # warm the caches; keep one file for its size
        rm -f "$work/out.png" "$work/flameshot/out.png"
        ${commands[$tool]} >/dev/null 2>&1
        file=$work/out.png
        [ "$tool" = flameshot ] && file=$work/flameshot/out.png
        sizes[$tool]=$(stat -c %s "$file")
        [ "$tool" = quillbox-capture ] && cp "$file" "$work/ours.png"
        [ -n "${QUILLBOX_BENCH_KEEP:-}" ] && cp "$file" "$QUILLBOX_BENCH_KEEP-$width-$tool.png"
    done
    for ((run = 0; run < runs; run++)); do # interleaved, so drift hits every tool alike
        for tool in "${tools[@]}"; do
            rm -f "$work/out.png" "$work/flameshot/out.png"
            start=$(date +%s%N)
            ${commands[$tool]} >/dev/null 2>&1
            end=$(date +%s%N)
            times[$tool]="${times[$tool]:-} $(((end - start) / 1000))"
        done
    done
    qt=$("$build/bench/qt_png_size" "$work/ours.png")
    scrot=$(echo "${times[scrot]}" | median)
    {
        for tool in "${tools[@]}"; do
            m=$(echo "${times[$tool]}" | median)
            printf '%-10s %-17s %8.1f %7.2f %10d\n' "${width}x${height}" "$tool" \
                "$(echo "$m / 1000" | bc -l)" "$(echo "$m / $scrot" | bc -l)" "${sizes[$tool]}"
        done
        printf '%-10s %-17s %8s %7s %10d\n' "${width}x${height}" "(Qt default PNG)" - - "$qt"
    } >>"$out"
    exit 0
fi

runs=${1:-15}
need=()
for p in scrot maim flameshot imagemagick xdotool bc; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "capture-peers: missing ${need[*]}; run as root to install them" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
for f in "$build/bin/quillbox-capture" "$build/bench/qt_png_size" "$build/bench/bench_text_window"; do
    [ -x "$f" ] || { echo "capture-peers: $f is missing; build first (scripts/build.sh dev)" >&2; exit 1; }
done

out=$(mktemp)
trap 'rm -f "$out"' EXIT
for size in 1920x1080 3840x2160; do
    X11_SCREEN="${size}x24" X11_NO_TRAY=1 "$root/scripts/x11-session.sh" \
        "$root/bench/capture-peers.sh" --inside "$runs" "${size%x*}" "${size#*x}" "$out"
done
echo "Full-screen capture to a PNG file, median of $runs runs ($(nproc) cores, $(date -u +%F))"
printf '%-10s %-17s %8s %7s %10s\n' screen tool "ms" "×scrot" "bytes"
cat "$out"
