#!/usr/bin/env bash
# Runs a command inside a private X11 session: Xvfb on a free display, openbox as
# window manager and trayer as system tray, with its own HOME and XDG folders.
# The session is always torn down, whatever the command does.
#   scripts/x11-session.sh COMMAND [ARGS...]
# Environment: X11_SCREEN (default 1920x1080x24), X11_NO_TRAY=1, X11_NO_WM=1.
set -uo pipefail

session=$(mktemp -d /tmp/quillbox-x11-XXXXXX)
pids=()
command_pid=
cleanup() {
    local pid i
    trap - EXIT INT TERM
    # The command and everything it started: its own process group.
    if [ -n "$command_pid" ] && kill -TERM -- "-$command_pid" 2>/dev/null; then
        for ((i = 0; i < 50; i++)); do kill -0 -- "-$command_pid" 2>/dev/null || break; sleep 0.1; done
        kill -KILL -- "-$command_pid" 2>/dev/null
    fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Every process started here is told to end when this script dies, so a SIGKILL that
# skips the traps (a test runner's timeout) leaves no server or helper behind.
bound=(setpriv --pdeathsig TERM --)
# What they leave, the command's own children and the session folder, goes too: a watcher
# outside this process tree (a runner's timeout kills the whole tree) ends the command's
# process group and removes the folder once this shell is gone.
setsid -f bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done
    [ -s "$2/command.pgid" ] && kill -TERM -- "-$(cat "$2/command.pgid")" 2>/dev/null
    rm -rf "$2"' watcher "$$" "$session" </dev/null >/dev/null 2>&1

source "$(dirname "$0")/../tests/x11/wait.sh"

mkdir -p "$session/home" "$session/runtime" "$session/config" "$session/data" "$session/cache"
chmod 700 "$session/runtime"
# A null sound device: event sounds "play" without a sound card.
echo 'pcm.!default { type null }' >"$session/home/.asoundrc"
export HOME="$session/home" XDG_RUNTIME_DIR="$session/runtime" XDG_CONFIG_HOME="$session/config"
export XDG_DATA_HOME="$session/data" XDG_CACHE_HOME="$session/cache"
# No desktop's session bus either: the tray icon must land in this session's trayer, and
# nothing may open the user's own file manager.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS

exec 3>"$session/display"
"${bound[@]}" Xvfb -displayfd 3 -screen 0 "${X11_SCREEN:-1920x1080x24}" -nolisten tcp \
    >"$session/xvfb.log" 2>&1 &
pids+=("$!")
exec 3>&-
if ! wait_for 100 test -s "$session/display"; then
    echo "x11-session: Xvfb did not start" >&2; cat "$session/xvfb.log" >&2; exit 1
fi
export DISPLAY=":$(head -n1 "$session/display")"
wait_for 100 xdpyinfo || { echo "x11-session: display $DISPLAY does not answer" >&2; exit 1; }

# Starts a helper client and waits until CHECK succeeds. With several sessions starting at
# once a client now and then fails to open a display that does answer; it is started
# again when it has exited without getting ready.
start_helper() { # name check-command -- command...
    local name=$1 check=$2 attempt pid
    shift 3
    for attempt in 1 2 3; do
        "${bound[@]}" "$@" >"$session/$name.log" 2>&1 &
        pid=$!
        pids+=("$pid")
        for ((i = 0; i < 100; i++)); do
            sh -c "$check" >/dev/null 2>&1 && return 0
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && break
    done
    echo "x11-session: $name did not start" >&2
    cat "$session/$name.log" >&2
    exit 1
}

if [ -z "${X11_NO_WM:-}" ]; then
    start_helper openbox 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' \
        -- openbox --sm-disable
fi
if [ -z "${X11_NO_TRAY:-}" ]; then
    start_helper trayer 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"' \
        -- trayer --edge top --align right --widthtype pixel --width 200 --height 24 \
        --SetDockType true --transparent false
fi

# In the background, so that a signal to this script tears the session down at once
# instead of waiting for the command to end; in a process group of its own, so that
# whatever it starts ends with it.
setsid "${bound[@]}" "$@" &
command_pid=$!
echo "$command_pid" >"$session/command.pgid"
wait "$command_pid"
exit $?
