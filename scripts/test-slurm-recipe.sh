#!/usr/bin/env bash
# Runs the job-array task script locally for every task id and checks that the slices together
# sketch every picture exactly once, with the very bytes one local run writes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
readme_shows scripts/sketch-slice.sh
build_dir=${BUILD_DIR:-build}
work=$(mktemp -d "$PWD/$build_dir/slurm-recipe.XXXXXX")
trap 'rm -rf "$work"' EXIT
export PATH="$PWD/$build_dir:$PATH"

# 24 different pictures in nested folders, same names in different folders, any letter case.
mkdir -p "$work/photos/a/deeper" "$work/photos/b"
for i in $(seq 3 26); do
  folder=$([[ $((i % 3)) == 0 ]] && echo a || ([[ $((i % 3)) == 1 ]] && echo a/deeper || echo b))
  extension=$([[ $((i % 2)) == 0 ]] && echo png || echo PNG)
  tracella-sketch --threshold "$i" resources/emblem.png "$work/made-$i.png"
  mv "$work/made-$i.png" "$work/photos/$folder/p$((i / 3)).$extension"
done
count=$(find "$work/photos" -type f | wc -l)

(cd "$work" && find photos -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) | sort > list)
tasks=5
for task in $(seq 0 $((tasks - 1))); do
  (cd "$work" && SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=$tasks \
    bash "$OLDPWD/scripts/sketch-slice.sh" list photos sketches)
done
(cd "$work" && tracella-sketch --base photos --out-dir local --from list)

[[ $(wc -l < "$work/list") == "$count" && $(find "$work/sketches" -type f | wc -l) == "$count" ]] ||
  { echo "slurm recipe: $count pictures, $(find "$work/sketches" -type f | wc -l) sketches" >&2; exit 1; }
diff -r "$work/local" "$work/sketches"
echo "slurm recipe: $count pictures sketched once each by $tasks tasks"
