#!/usr/bin/env bash
# This program and a Scrapy spider against the same sample site, side by side, as one table.
#
#   bench/side_by_side.sh [--listings N] [--long] [--pause-sweep] [--filters] [--keep]
#
# Installs what is missing (Scrapy from Debian included), builds vorn-search-cli and
# vorn-sample-site optimised (the release preset's build type) in build/bench, or in
# VORN_BENCH_BUILD_DIR, and runs bench/side_by_side.py. --long adds this program's run over 3,000
# listings (15 minutes of pauses) for its peak memory. All traffic stays on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")/.."

VORN_EXTRA_PACKAGES="python3-scrapy" scripts/deps.sh

build="${VORN_BENCH_BUILD_DIR:-build/bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORN_BUILD_APP=OFF -DVORN_BUILD_TESTS=OFF -DVORN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target vorn-search-cli vorn-sample-site vorn-fetch-floor vorn_db

# Debian's python3, which has Scrapy, whatever python3 comes first on the PATH.
exec /usr/bin/python3 bench/side_by_side.py --build "$build" "$@"
