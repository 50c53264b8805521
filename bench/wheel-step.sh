#!/usr/bin/env bash
# Measures how many pixels one wheel click (XTEST button 5) scrolls common X11 programs:
# a Qt scroll area, a GTK 3 text view and Firefox, each showing a long page.
# Needs python3-gi with gir1.2-gtk-3.0, and firefox-esr for the browser (skipped without).
#   bench/wheel-step.sh [BUILD_DIR]      (run from the source folder)
set -euo pipefail
build=${1:-build/dev}
if [ -z "${DISPLAY:-}" ] || [ -z "${WHEEL_STEP_IN_SESSION:-}" ]; then
    WHEEL_STEP_IN_SESSION=1 exec scripts/x11-session.sh "$0" "$(realpath "$build")"
fi
work=$(mktemp -d /tmp/quillbox-wheel-XXXXXX)
pid=""
stop() { if [ -n "$pid" ]; then kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; fi; pid=""; }
trap 'stop; rm -rf "$work"' EXIT

# measure NAME: the client area of the window named NAME, inset by 60 px on each side.
measure() {
    local id geometry
    id=$(xdotool search --sync --onlyvisible --name "$1" | head -n1)
    sleep 2 # let the program finish its first layout and paint
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "== $1 (window ${WIDTH}x${HEIGHT})"
    "$build/bench/wheel_step" $((X + 60)) $((Y + 60)) $((WIDTH - 120)) $((HEIGHT - 120)) 3 "${WHEEL_WAIT_MS:-1000}"
}

"$build/tests/capture/trap_page" bars "$work/page.png" "$work/geometry.txt" & pid=$!
measure "Trap page"; stop

cat >"$work/gtk.py" <<'PY'
import gi, random
gi.require_version("Gtk", "3.0")
from gi.repository import Gtk
random.seed(4)
words = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india"]
text = "\n".join(" ".join(random.choice(words) for _ in range(random.randint(2, 9))) + " %d" % i
                 for i in range(3000))
w = Gtk.Window(title="GTK text view")
w.set_default_size(700, int(__import__("os").environ.get("WHEEL_GTK_HEIGHT", "600")))
s = Gtk.ScrolledWindow()
v = Gtk.TextView()
v.get_buffer().set_text(text)
s.add(v)
w.add(s)
w.connect("destroy", Gtk.main_quit)
w.show_all()
Gtk.main()
PY
if /usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0")' 2>/dev/null; then
    /usr/bin/python3 "$work/gtk.py" & pid=$!
    measure "GTK text view"; stop
fi

if command -v firefox-esr >/dev/null; then
    /usr/bin/python3 - "$work/page.html" <<'PY'
import random, sys
random.seed(5)
words = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india"]
lines = ["<p>%d %s</p>" % (i, " ".join(random.choice(words) for _ in range(random.randint(2, 12))))
         for i in range(2000)]
open(sys.argv[1], "w").write("<title>Wheel page</title><body>" + "".join(lines))
PY
    mkdir -p "$work/profile"
    firefox-esr --no-remote --profile "$work/profile" --width 900 --height 700 \
        "file://$work/page.html" >/dev/null 2>&1 & pid=$!
    measure "Wheel page"; stop
fi
