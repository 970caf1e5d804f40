#!/usr/bin/env bash
# One task of a Slurm job array: sketches its slice of a list of pictures, one name a line.
#   find photos -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) > list
#   sbatch --array=0-9 scripts/sketch-slice.sh list photos sketches
# Task K of N takes lines K+1, K+1+N, ...: together the tasks sketch every line once. --base keeps
# each picture's folder under the output folder whatever slice it falls in.
set -euo pipefail
list=$1 base=$2 out=$3
task=${SLURM_ARRAY_TASK_ID:?run under sbatch --array}
tasks=${SLURM_ARRAY_TASK_COUNT:?run under sbatch --array}
awk -v tasks="$tasks" -v task="$task" '(NR - 1) % tasks == task' "$list" |
  tracella-sketch --jobs "${SLURM_CPUS_PER_TASK:-1}" --base "$base" --out-dir "$out" --from -
