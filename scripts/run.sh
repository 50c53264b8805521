#!/usr/bin/env bash
# Installs what is missing, builds Quillbox in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# Under sudo only the packages needed root: Quillbox is built and started as the user who
# asked, so that the build folder, the captures and the settings are theirs, not root's.
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ] &&
    runuser -u "$SUDO_USER" -- test -w .; then
    session=(HOME="$(getent passwd "$SUDO_USER" | cut -d: -f6)")
    [ -n "${DISPLAY:-}" ] && session+=(DISPLAY="$DISPLAY")
    [ -n "${XAUTHORITY:-}" ] && session+=(XAUTHORITY="$XAUTHORITY")
    runtime=/run/user/$(id -u "$SUDO_USER")
    [ -d "$runtime" ] && session+=(XDG_RUNTIME_DIR="$runtime")
    exec runuser -u "$SUDO_USER" -- env "${session[@]}" bash scripts/run.sh "$@"
fi
scripts/build.sh release
exec build/release/bin/quillbox "$@"
