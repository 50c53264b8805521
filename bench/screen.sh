# Sourced by the full-screen capture benchmarks, inside scripts/x11-session.sh: the screen
# they all time (a window of source text on the left, a plasma picture on the right), and
# the median of their runs. Needs $root (the source tree) and $helpers (a dev build's bench/).

# Shows the screen for WIDTH×HEIGHT, its files in WORK; the pids of what shows it are
# added to the array `pids` for the caller to end.
show_bench_screen() {
    local width=$1 height=$2 work=$3
    local tw=$((width * 45 / 100)) th=$((height * 90 / 100))
    local pw=$((width * 50 / 100)) ph=$((height * 80 / 100))
    cat "$root"/src/*/*/*.cpp "$root"/src/*/*.cpp >"$work/code.txt"
    convert -seed 4 -size "${pw}x${ph}" plasma:fractal "$work/photo.png"
    "$helpers/bench_text_window" "$work/code.txt" 10 40 "$tw" "$th" &
    pids+=("$!")
    display -geometry "+$((width / 2))+60" -title photo "$work/photo.png" &
    pids+=("$!")
    local title
    for title in text photo; do
        for _ in $(seq 200); do
            xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1 && break
            sleep 0.1
        done
    done
    # Both have painted once two grabs agree.
    for _ in $(seq 50); do
        import -window root "$work/a.png"; sleep 0.2; import -window root "$work/b.png"
        compare -metric AE "$work/a.png" "$work/b.png" null: 2>/dev/null && break
    done
}

# The median of the numbers on standard input, spaces or lines apart.
median() { tr ' ' '\n' | grep . | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
