#!/usr/bin/env bash
# Installs what Vantor needs, builds it, creates a sample records file beside the program
# if there is none yet, and starts the program.
# Usage: scripts/run.sh                      (as root on a fresh Debian 12 machine)
# Without a display, it runs under Xvfb:    scripts/run.sh  (DISPLAY unset) or
#                                            xvfb-run -a build/vantor
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
if [ ! -e build/MaskTest.mdb ]; then
  build/vantor --create-database build/MaskTest.mdb --sample 250
fi
# Named on the command line, so that a user's own setting cannot send the program elsewhere.
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/vantor --database build/MaskTest.mdb
else
  echo "No display found: starting Vantor under Xvfb (xvfb-run)." >&2
  exec xvfb-run -a build/vantor --database build/MaskTest.mdb
fi
