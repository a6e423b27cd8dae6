#!/usr/bin/env bash
# Builds everything and runs the whole test suite: ./scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
# Widget tests run on Qt's offscreen platform; nothing needs a display.
export QT_QPA_PLATFORM=offscreen
ctest --preset dev -j2
