#!/usr/bin/env bash
# Installs what is missing, builds Quillbox in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
program=build/release/bin/quillbox
if [ ! -x "$program" ]; then
    echo "Quillbox: the library and tools are built, but the tray program is not built yet." >&2
    exit 1
fi
exec "$program" "$@"
