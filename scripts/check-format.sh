#!/usr/bin/env bash
# Fails when a source file is not formatted by .clang-format or a line runs past 120 columns.
# Usage: scripts/check-format.sh        (clang-format comes with scripts/setup.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files -- '*.cpp' '*.h' '*.c')
clang-format --dry-run --Werror "${sources[@]}"

mapfile -t texts < <(git ls-files -- '*.cpp' '*.h' '*.c' '*.sh' '*CMakeLists.txt' '.ci/*')
if long=$(awk 'length > 120 { printf "%s:%d: %d columns\n", FILENAME, FNR, length }' "${texts[@]}") \
    && [ -n "$long" ]; then
  echo "Lines over 120 columns:" >&2
  echo "$long" >&2
  exit 1
fi
echo "Formatting and line lengths are clean (${#sources[@]} sources)."
