#!/usr/bin/env bash
# Checks the Debian package made by scripts/package-deb.sh the way a user gets it:
# `apt-get install ./dist/ldx7320_<version>_<arch>.deb` with its dependencies, then
# `ldx7320 --version`, `ldx7320-cli --version` and `ldx7320-scpi --version` from the PATH,
# and their manual pages, then removes it
# again (unless it was installed before the check).
#
#   scripts/check-deb.sh [DEB]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
version="$(sed -n 's/^project(ldx7320 VERSION \([0-9.]*\).*/\1/p' "$repo/CMakeLists.txt")"
deb="$(realpath "${1:-$repo/dist/ldx7320_${version}_$(dpkg --print-architecture).deb}")"
[ -f "$deb" ] || { echo "No package at $deb: run scripts/package-deb.sh first." >&2; exit 1; }

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
installed_before=0
dpkg-query -W -f='${Status}' ldx7320 2>/dev/null | grep -q "install ok installed" && installed_before=1
remove() { [ "$installed_before" -eq 1 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq ldx7320 >/dev/null; }
trap remove EXIT

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
printed="$(ldx7320 --version)"
if [ "$printed" != "LDX7320 $version" ]; then
  echo "FAIL: the installed ldx7320 --version printed '$printed', not 'LDX7320 $version'" >&2
  exit 1
fi
echo "ok: installed $(basename "$deb"); $(command -v ldx7320) --version prints '$printed'"
for program in ldx7320-cli ldx7320-scpi; do
  printed="$("$program" --version)"
  [ "$printed" = "$program $version" ] || { echo "FAIL: $program --version printed '$printed'" >&2; exit 1; }
  echo "ok: $(command -v "$program") --version prints '$printed'"
  [ -f "/usr/share/man/man1/$program.1.gz" ] || { echo "FAIL: no manual page for $program" >&2; exit 1; }
done
