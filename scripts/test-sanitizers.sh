#!/usr/bin/env bash
# Builds Tracella with clang, AddressSanitizer and UndefinedBehaviorSanitizer into build-asan (or
# $ASAN_BUILD_DIR) and runs every test there, then replays the picture-loader fuzzer's seeds and
# regression cases (fuzz/run-fuzz.sh --replay, clang). Any sanitizer finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
scripts/install-deps.sh test
build_dir=${ASAN_BUILD_DIR:-build-asan}
step "configuring with sanitizers" cmake --preset asan -B "$build_dir"
step "building with sanitizers" cmake --build "$build_dir"
echo "tracella: testing with sanitizers"
# Qt keeps some allocations until exit on purpose, so leaks are not reported.
export ASAN_OPTIONS=detect_leaks=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# valgrind cannot run sanitized programs; it runs over the plain build in scripts/test.sh.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j2 -LE valgrind
fuzz/run-fuzz.sh --replay
