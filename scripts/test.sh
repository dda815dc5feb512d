#!/usr/bin/env bash
# Installs what Vantor needs, builds it and runs the whole test suite through ctest.
# Usage: scripts/test.sh [build-dir]        (as root on a fresh Debian 12 machine)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

bash scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${VANTOR_BUILD_TYPE:-RelWithDebInfo}" ${VANTOR_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
