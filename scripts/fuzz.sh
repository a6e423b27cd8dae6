#!/usr/bin/env bash
# Builds the fuzzers (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and runs each one as a
# test on its committed seeds for a bounded time: ./scripts/fuzz.sh [seconds per fuzzer, default 20]
# A crash or a broken property fails the run; the input is kept in build/fuzz/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
seconds="${1:-20}"
cmake --preset fuzz -DVORN_FUZZ_SECONDS="$seconds" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build --preset fuzz -j2
ctest --preset fuzz -j2
