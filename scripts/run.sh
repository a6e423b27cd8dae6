#!/usr/bin/env bash
# Builds the program and starts it: ./scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset release >/dev/null
# Only the window and its catalogue: the tests and benchmarks are the test command's.
cmake --build --preset release --target vorn-search vorn_db
exec ./build/release/bin/vorn-search "$@"
