#!/usr/bin/env bash
# Installs what building and running the window needs, builds only the program, and starts it.
# A second run starts it at once: nothing is installed, configured or rebuilt that is there.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
build_dir=${BUILD_DIR:-build}

scripts/install-deps.sh run
# A build folder that the tests configured already holds the program; it is only rebuilt.
if [ ! -f "$build_dir/build.ninja" ]; then
  step configuring cmake --preset app -B "$build_dir"
fi
step building cmake --build "$build_dir" --target tracella
echo "tracella: starting"
exec "$build_dir"/tracella "$@"
