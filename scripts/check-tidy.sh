#!/usr/bin/env bash
# Fails when clang-tidy (.clang-tidy) finds anything in a tracked .cpp file that the build compiles.
# Usage: scripts/check-tidy.sh [PATH...]; PATHs narrow the files to those folders or files.
# BUILD_DIR names the configured build whose compile_commands.json is used (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
database=$build_dir/compile_commands.json
if [ ! -f "$database" ]; then
  echo "check-tidy: no $database; configure the build first" >&2
  exit 2
fi

# Only files with an entry: the others (fuzzers, cross builds) have no flags to be read with.
files=()
while IFS= read -r -d '' file; do
  grep -qF "\"file\": \"$PWD/$file\"" "$database" && files+=("$file")
done < <(git ls-files -z -- "${@:-.}" | grep -zE '\.cpp$')
if [ ${#files[@]} -eq 0 ]; then
  echo "check-tidy: no file to check" >&2
  exit 2
fi

echo "check-tidy: ${#files[@]} files, $(nproc) at a time"
# Findings make clang-tidy fail (WarningsAsErrors); the count of warnings in other code is noise.
printf '%s\0' "${files[@]}" | xargs -0 -n 1 -P "$(nproc)" clang-tidy -p "$build_dir" --quiet 2>&1 |
  { grep -v '^[0-9]* warnings\? generated\.$' || true; }
echo "check-tidy: clean"
