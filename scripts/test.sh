#!/usr/bin/env bash
# Builds everything and runs the whole test suite: ./scripts/test.sh [--quick]
# The suite runs under AddressSanitizer + UndefinedBehaviorSanitizer and under ThreadSanitizer,
# the fuzzers run for a bounded time on their seeds, the Debian package is built and proved
# (./scripts/package.sh --check), and last the suite runs on the plain debug build, whose ctest
# summary ends the output. --quick runs only that last step. Every build treats a warning as an
# error, and a source file that .clang-format would change fails the run first.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
echo "== format"
./scripts/format.sh --check
# Widget tests run on Qt's offscreen platform; the one test of the captions a desktop shows starts
# its own X server (xvfb-run).
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" != "--quick" ]; then
    for preset in asan tsan; do
        echo "== the test suite under the $preset preset"
        cmake --preset "$preset" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
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
cmake --preset dev -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build --preset dev
ctest --preset dev -j2
