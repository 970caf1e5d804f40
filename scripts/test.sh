#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
build_dir=${BUILD_DIR:-build}

scripts/install-deps.sh test
step configuring cmake --preset default -B "$build_dir"
step building cmake --build "$build_dir"
echo "tracella: testing"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j2
