#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel on the simulated board.
# Extra arguments go to the program (for instance --trace).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
exec build/app/ldx7320 --simulate "$@"
