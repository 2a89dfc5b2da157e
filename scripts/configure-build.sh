#!/usr/bin/env bash
# Configures the plain build in build/ with the one set of flags that scripts/run.sh and
# scripts/test.sh share, so that neither rebuilds what the other has built.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS=-Werror -DLDX_BUILD_BENCH=ON >/dev/null
