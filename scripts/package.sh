#!/usr/bin/env bash
# Builds the Debian package: ./scripts/package.sh [--check]
# Leaves build/package/vorn-search_<version>_amd64.deb (install it with
# apt install ./build/package/vorn-search_*.deb). --check then proves it with
# tests/package/check_package.sh: lintian, the desktop entry, the AppStream metainfo, its
# contents, and the unpacked and (as root) the installed programs against the sample site.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset package >/dev/null
cmake --build --preset package
rm -f build/package/vorn-search_*.deb
cpack --config build/package/CPackConfig.cmake -B build/package >build/package/cpack.log 2>&1 ||
    { cat build/package/cpack.log >&2; exit 1; }
deb=$(echo build/package/vorn-search_*.deb)
[ -f "$deb" ] || { echo "package: cpack made no .deb" >&2; cat build/package/cpack.log >&2; exit 1; }
echo "$deb"
if [ "${1:-}" = "--check" ]; then
    tests/package/check_package.sh "$deb" build/package/bin
fi
