#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel on the simulated board.
# Extra arguments go to the program (for instance --trace).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/configure-build.sh
# The panel alone: the tests and the other programs are built when they are needed.
cmake --build build -j"$(nproc)" --target ldx7320
exec build/app/ldx7320 --simulate "$@"
