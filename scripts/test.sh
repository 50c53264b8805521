#!/usr/bin/env bash
# Installs what is missing, builds, checks formatting and runs every test: unit tests
# offscreen, X11 tests each in a private Xvfb + openbox + trayer session. Then the unit
# tests once more under AddressSanitizer + UBSan. Benchmarks are built, not run.
#   scripts/test.sh [--no-asan]
set -euo pipefail
cd "$(dirname "$0")/.."
asan=1
[ "${1:-}" = "--no-asan" ] && asan=0

scripts/setup.sh
scripts/check-format.sh

jobs=$(nproc)
scripts/build.sh dev
status=0
if [ "$asan" = 1 ]; then
    scripts/build.sh asan
    echo "== Unit tests under AddressSanitizer + UBSan"
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --test-dir build/asan -L unit -j "$jobs" --output-on-failure || status=1
fi
echo "== All tests"
ctest --test-dir build/dev -j "$jobs" --output-on-failure || status=1
exit $status
