#!/usr/bin/env bash
# Installs what Vantor needs, builds it and runs the whole test suite through ctest.
# Usage: scripts/test.sh [--sanitize] [build-dir]   (as root on a fresh Debian 12 machine)
#   --sanitize  builds with AddressSanitizer and UndefinedBehaviorSanitizer in a build
#               directory of its own (default build-sanitize) and fails on any report,
#               leaks included.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=0
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=1
  shift
fi
# Warnings are errors here: the suite is what CI runs.
cmake_args=(-DCMAKE_BUILD_TYPE="${VANTOR_BUILD_TYPE:-RelWithDebInfo}" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON)
if command -v ccache >/dev/null; then
  cmake_args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ "$sanitize" = 1 ]; then
  build="${1:-build-sanitize}"
  cmake_args+=(-DVANTOR_SANITIZE=ON)
  # Every finding ends the test that made it; leaks of the system libraries under Qt are
  # theirs, listed in scripts/lsan.supp.
  export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_init_order=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
else
  build="${1:-build}"
fi

bash scripts/setup.sh
# shellcheck disable=SC2086 # VANTOR_CMAKE_ARGS is a list of words on purpose
cmake -S . -B "$build" "${cmake_args[@]}" ${VANTOR_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
