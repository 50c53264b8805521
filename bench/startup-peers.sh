#!/usr/bin/env bash
# Start-up of Quillbox against flameshot's tray daemon, both started the same way in one
# private X session (Xvfb + openbox + trayer, one D-Bus session bus, fresh HOME/XDG).
# Reports, as medians over RUNS starts of each: the time from exec until the tray has
# embedded the program's icon, Quillbox's own "ready" marker (tray icon shown and hot
# keys registered), and resident memory 3 s after the start.
#   bench/startup-peers.sh [RUNS]        (default 7; installs flameshot when missing)
# QUILLBOX_BIN picks the program (default: the Release build, built when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}

if ! command -v flameshot >/dev/null; then
    [ "$(id -u)" = 0 ] || { echo "startup-peers: flameshot missing; run as root" >&2; exit 1; }
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends flameshot >/dev/null
fi
quillbox=${QUILLBOX_BIN:-build/release/bin/quillbox}
if [ ! -x "$quillbox" ]; then
    scripts/build.sh release >/dev/null
fi
quillbox=$(realpath "$quillbox")

if [ -z "${STARTUP_PEERS_INSIDE:-}" ]; then
    export STARTUP_PEERS_INSIDE=1 QUILLBOX_BIN="$quillbox"
    exec scripts/x11-session.sh dbus-run-session -- "$0" "$runs"
fi

# ---- inside the session ----
# awk reads to the end here: an early exit would fail the pipeline with SIGPIPE.
panel=$(xwininfo -root -tree | awk '/\("panel" "trayer"\)/ && !p {p = $1} END {print p}')
icons() { xwininfo -children -id "$panel" | awk '/ child(ren)?[.:]/ && !n {n = $1} END {print n + 0}'; }
empty=$(icons) # trayer keeps one small window of its own in the panel
now_ms() { local t=$EPOCHREALTIME; echo "${t/./}" | awk '{printf "%.1f", $1 / 1000}'; }
median() { # of the numbers on stdin; "-" when there are none
    sort -n | awk '{v[NR] = $1} END {
        if (NR == 0) print "-"; else printf "%.1f\n", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
kib() { awk -v k="$2" '$1 == k":" {print $2}' "/proc/$1/status"; }

# One start: prints "tray_ms marker_ms rss_kib anon_kib"; marker_ms is - for flameshot.
measure() {
    local out t0 pid tray=- marker=- rss anon
    out=$(mktemp)
    [ "$(icons)" = "$empty" ] || { echo "startup-peers: the tray is not empty" >&2; exit 1; }
    t0=$(now_ms)
    QUILLBOX_READY_MARKER=1 "$@" 2> >(while IFS= read -r line; do
        echo "$(now_ms) $line"; done >"$out") >/dev/null &
    pid=$!
    for _ in $(seq 4000); do
        if [ "$(icons)" != "$empty" ]; then tray=$(awk -v a="$(now_ms)" -v b="$t0" 'BEGIN {print a - b}'); break; fi
    done
    sleep "$(awk -v a="$(now_ms)" -v b="$t0" 'BEGIN {s = (3000 - (a - b)) / 1000; print (s > 0 ? s : 0)}')"
    rss=$(kib "$pid" VmRSS)
    anon=$(kib "$pid" RssAnon)
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    for _ in $(seq 200); do [ "$(icons)" = "$empty" ] && break; sleep 0.05; done
    marker=$(awk -v b="$t0" '/quillbox: ready/ {print $1 - b; exit}' "$out")
    rm -f "$out"
    echo "$tray ${marker:--} $rss $anon"
}

report() { # name results-file
    printf '%-10s tray icon %7s ms   ready marker %7s ms   RSS %6.1f MB (anonymous %5.1f MB)\n' "$1" \
        "$(cut -d' ' -f1 "$2" | median)" \
        "$(cut -d' ' -f2 "$2" | grep -v -- - | median)" \
        "$(cut -d' ' -f3 "$2" | median | awk '{print $1 / 1024}')" \
        "$(cut -d' ' -f4 "$2" | median | awk '{print $1 / 1024}')"
}

q=$(mktemp) f=$(mktemp)
# Alternate the two so that neither profits from a warmer cache; one unmeasured start each first.
measure "$QUILLBOX_BIN" >/dev/null
measure flameshot >/dev/null
for _ in $(seq "$runs"); do
    measure "$QUILLBOX_BIN" >>"$q"
    measure flameshot >>"$f"
done
echo "startup-peers: medians of $runs starts each, $(nproc) CPUs, $(uname -m), Xvfb $(xdpyinfo | awk '/dimensions/ {print $2}')"
report quillbox "$q"
report flameshot "$f"
awk -v qt="$(cut -d' ' -f1 "$q" | median)" -v ft="$(cut -d' ' -f1 "$f" | median)" \
    -v qr="$(cut -d' ' -f3 "$q" | median)" -v fr="$(cut -d' ' -f3 "$f" | median)" 'BEGIN {
    printf "start-up: quillbox/flameshot = %.2f (target <= 1.00)\n", qt / ft
    printf "memory:   quillbox/flameshot = %.2f (target <= 0.80)\n", qr / fr }'
rm -f "$q" "$f"
