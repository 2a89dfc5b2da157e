#!/usr/bin/env bash
# Installs what the benchmark needs when it is missing, builds it (Release, in
# build-bench) and prints its table on standard output; about 45 s.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

packages=(cmake g++ make qt6-base-dev qt6-serialport-dev python3 python3-serial)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

build="$root/build-bench"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLDX_BUILD_BENCH=ON -DLDX_BUILD_TESTS=OFF >&2
cmake --build "$build" --target ldx7320_bench -j"$(nproc)" >&2

# Debian's interpreter, where python3-serial is installed, whatever python3 is first on PATH.
export LDX_BENCH_PYTHON="${LDX_BENCH_PYTHON:-/usr/bin/python3}"
echo "Measuring, about 45 s ..." >&2
exec "$build/bench/ldx7320_bench"
