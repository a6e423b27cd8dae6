#!/usr/bin/env bash
# Builds the program and starts it: ./scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
exec ./build/release/bin/vorn-search "$@"
