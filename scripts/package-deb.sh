#!/usr/bin/env bash
# Builds the Debian package of the panel: a Release build with Debian's hardening flags
# and every warning an error, stripped, packed by CPack (cmake/Packaging.cmake) into
# dist/ldx7320_<version>_<arch>.deb, then checked by lintian.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
cd "$repo"

scripts/install-deps.sh
scripts/install-missing.sh dpkg-dev lintian

# The flags Debian builds its own packages with, all hardening included (bindnow is not
# on by default); CMake does not read CPPFLAGS, so they join the compiler flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS) -Werror"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DLDX_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-deb -j"$(nproc)"
(cd build-deb && cpack -G DEB >/dev/null)

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-deb/CMakeCache.txt)"
deb="ldx7320_${version}_$(dpkg --print-architecture).deb"
mkdir -p dist
cp "build-deb/$deb" dist/
echo "Made dist/$deb:"
dpkg-deb --field "dist/$deb"
dpkg-deb --contents "dist/$deb" | awk '{print "  " $NF}'
echo "lintian:"
lintian "dist/$deb" && echo "  no errors"
