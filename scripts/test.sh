#!/usr/bin/env bash
# Installs what is missing, builds, checks formatting and runs every test: unit tests
# offscreen, X11 tests each in a private Xvfb + openbox + trayer session. By default the
# whole suite runs on the AddressSanitizer + UBSan build, so the program and the capture
# tool the X11 tests drive are checked too, and one build is enough on a small machine.
# Benchmarks are built, not run.
#   scripts/test.sh [--dev]     (--dev: the optimised dev build, without sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=asan
[ "${1:-}" = "--dev" ] && preset=dev

scripts/setup.sh
scripts/check-format.sh
scripts/build.sh "$preset"
echo "== All tests ($preset build)"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "build/$preset" -j "$(nproc)" --output-on-failure
