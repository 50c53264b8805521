# Sourced by the X11 test scripts and scripts/x11-session.sh: every wait is for a
# condition, with a timeout, never a fixed sleep alone.

# wait_for TENTHS COMMAND...: runs COMMAND (its output dropped) every tenth of a second
# until it succeeds; fails once TENTHS tenths have passed without that.
wait_for() {
    local tries=$1 i
    shift
    for ((i = 0; i < tries; i++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
