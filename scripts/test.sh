#!/usr/bin/env bash
# Builds everything and runs the whole test suite: ./scripts/test.sh [--quick]
# The suite runs under AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer,
# the fuzzers run for a bounded time on their seeds, and last the suite runs on the plain debug
# build, whose ctest summary ends the output. --quick runs only that last step.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
# Widget tests run on Qt's offscreen platform; nothing needs a display.
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" != "--quick" ]; then
    for preset in asan tsan; do
        echo "== the test suite under the $preset preset"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
        ctest --preset "$preset" -j2
    done
    echo "== fuzzers"
    ./scripts/fuzz.sh 20
    # The package is built, installed, run and purged (full mode only: it installs a package).
    echo "== the Debian package"
    ./scripts/package.sh --check
fi
echo "== the test suite"
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2
