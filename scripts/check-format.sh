#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
# Vendored sources keep their own style.
files=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' ':!third_party' || true)
[ -z "$files" ] && exit 0
# shellcheck disable=SC2086
if ! clang-format --dry-run --Werror $files; then
    echo "Formatting differs: run clang-format -i on the files above." >&2
    exit 1
fi
