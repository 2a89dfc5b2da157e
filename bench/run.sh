#!/usr/bin/env bash
# Installs what the benchmark needs when it is missing, builds it (Release, in
# build-bench) and prints its table on standard output; about 45 s.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# The build's own packages, pyserial for the exchange row and PyVISA for the SCPI row.
"$root/scripts/install-deps.sh" >&2
"$root/scripts/install-missing.sh" python3 python3-serial python3-pyvisa python3-pyvisa-py >&2

build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLDX_BUILD_BENCH=ON -DLDX_BUILD_TESTS=ON >&2
cmake --build "$build" --target ldx7320_bench -j"$(nproc)" >&2

# Debian's interpreter, where pyserial and PyVISA are installed, whatever python3 is first on PATH.
export LDX_BENCH_PYTHON="${LDX_BENCH_PYTHON:-/usr/bin/python3}"
echo "Measuring, about 45 s ..." >&2
exec "$build/bench/ldx7320_bench"
