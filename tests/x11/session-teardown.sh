#!/usr/bin/env bash
# scripts/x11-session.sh leaves nothing behind: not when its command fails, not when it is
# stopped with SIGTERM, and not when it is killed outright with SIGKILL (as a test
# runner's timeout does): no Xvfb, window manager, tray or command, no session folder.
set -uo pipefail
session_script="$(dirname "$0")/../../scripts/x11-session.sh"
work=$(mktemp -d /tmp/quillbox-teardown-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

source "$(dirname "$0")/wait.sh"
children_of() { # pid: its child processes, read from /proc (no procps needed)
    local f line fields
    for f in /proc/[0-9]*/stat; do
        { read -r line <"$f"; } 2>/dev/null || continue
        read -r -a fields <<<"${line##*) }"
        [ "${fields[1]}" = "$1" ] && { f=${f#/proc/}; echo "${f%/stat}"; }
    done
}
describe() { local pid; for pid in "$@"; do [ -r /proc/"$pid"/cmdline ] && echo "$pid $(tr '\0' ' ' </proc/"$pid"/cmdline)"; done; }
all_gone() { local pid; for pid in "$@"; do kill -0 "$pid" 2>/dev/null && return 1; done; return 0; }

# The command notes its session folder, then waits to be ended.
cat >"$work/command.sh" <<'INNER'
#!/usr/bin/env bash
dirname "$HOME" >"$1"
sleep 300
INNER
chmod +x "$work/command.sh"

stop_with() { # signal
    local signal=$1 script children folder
    rm -f "$work/folder"
    "$session_script" "$work/command.sh" "$work/folder" >/dev/null 2>&1 &
    script=$!
    wait_for 150 test -s "$work/folder" || { fail "$signal: the session did not start"; kill -KILL "$script"; return; }
    folder=$(cat "$work/folder")
    # Xvfb, openbox, trayer and the command (with its sleep).
    children=$(children_of "$script"; for p in $(children_of "$script"); do children_of "$p"; done)
    [ "$(wc -w <<<"$children")" -ge 4 ] || fail "$signal: expected the server, helpers and command, found: $children"
    kill "-$signal" "$script"
    wait_for 50 all_gone "$script" || { fail "$signal: the session script did not end"; kill -KILL "$script"; }
    wait "$script" 2>/dev/null
    # shellcheck disable=SC2086
    wait_for 50 all_gone $children || fail "$signal: left running: $(describe $children)"
    wait_for 30 test ! -e "$folder" || fail "$signal: the session folder $folder is still there"
}

stop_with TERM
stop_with KILL

"$session_script" sh -c 'xdpyinfo >/dev/null && exit 3' >/dev/null 2>&1
status=$?
[ "$status" = 3 ] || fail "the command's status 3 came back as $status"

[ "$failures" = 0 ] && echo "ok: every session was torn down"
exit $((failures > 0))
