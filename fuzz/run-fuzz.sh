#!/usr/bin/env bash
# Builds the picture-loader fuzzer with clang into build-fuzz and either fuzzes or replays.
#   fuzz/run-fuzz.sh [seconds]   fuzz for that long (default 900) from the seeds plus the regressions;
#                                new crashes land in build-fuzz/findings/
#   fuzz/run-fuzz.sh --replay    run the seeds and fuzz/regressions/ once each (what CI does)
# Every input is in the harness's layout: one byte picking the extension, then the file. A crash
# found and mended is kept in fuzz/regressions/ under a name that says what it broke.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target load_picture_fuzzer make_fuzz_seeds

seeds=$build_dir/fuzz-seeds
rm -rf "$seeds"
QT_QPA_PLATFORM=offscreen "$build_dir/fuzz/make_fuzz_seeds" "$seeds"

export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fuzzer=$build_dir/fuzz/load_picture_fuzzer
limits=(-rss_limit_mb=2048 -timeout=10)

if [ "${1:-}" = --replay ]; then
  shopt -s nullglob
  "$fuzzer" "${limits[@]}" "$seeds"/* fuzz/regressions/*
  exit
fi

corpus=$build_dir/fuzz-corpus
findings=$build_dir/findings
mkdir -p "$corpus" "$findings"
# The decoders' own warnings would fill gigabytes of log: the target's output is closed, while
# libFuzzer's and the sanitizers' reports still come through.
"$fuzzer" "${limits[@]}" -close_fd_mask=3 -max_len=65536 -max_total_time="${1:-900}" \
  -artifact_prefix="$findings/" -print_final_stats=1 "$corpus" "$seeds" fuzz/regressions
