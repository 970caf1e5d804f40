#!/usr/bin/env bash
# Opens the 24 MP photograph in the real program, through the real file dialog, on a virtual
# display, and prints the time from the dialog's acceptance (Return pressed) to the caption naming
# the file, the median of three fresh processes, next to the whole-process time of djpeg decoding
# the same file; then again after the 12 MP photograph beside it, as later in a session; and the
# program's resident memory before and after the first open. Builds the program into build-bench (or $BUILD_DIR) when it
# is missing; the photograph defaults to the one bench/run-bench.sh makes.
# Usage: bench/open-in-window.sh [PHOTO.jpg]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-bench}
photo=$(realpath "${1:-$build_dir/photo/EveningGlow-6000x4000.jpg}")
program=$(realpath "$build_dir")/tracella

if [ -z "${TRACELLA_ON_DISPLAY:-}" ]; then
  command -v djpeg >/dev/null || {
    sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends libjpeg-turbo-progs
  }
  scripts/install-deps.sh
  [ -x "$program" ] || { cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build "$build_dir" --target tracella; }
  exec env TRACELLA_ON_DISPLAY=1 tests/gui/with-display.sh "$0" "$photo"
fi

# Microseconds, read without starting a process: a fork costs milliseconds on a loaded machine.
now_us() { echo "${EPOCHREALTIME/./}"; }
resident_mb() { awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

work=$(mktemp -d)
trap 'kill "${pid:-}" "${spy:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

start_program() {
  "$program" >"$work/program.log" 2>&1 &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --pid "$pid" --name '^Tracella$' 2>/dev/null | head -n1)
  sleep 2  # maximised, sketched and idle
}

# File, "Open...", the file's full path typed into the dialog's name field, then Return: prints
# the milliseconds from Return to the caption naming the file, as the window manager sees it.
# Return comes from an xdotool already running and each caption is stamped as it arrives, so
# neither waits for a process to start.
open_through_dialog() {
  local path=$1 accepted shown
  xdotool mousemove --window "$window" 20 12 click 1
  sleep 0.5
  xdotool key Down Return
  dialog=$(xdotool search --sync --onlyvisible --pid "$pid" --name '^Open' 2>/dev/null | head -n1)
  # Keys go to the focused window: events sent to a named window are ignored by Qt as synthetic.
  xdotool windowactivate --sync "$dialog"
  sleep 0.5
  xdotool type --delay 0 "$path"
  sleep 1
  : >"$work/captions"
  xprop -spy -id "$window" WM_NAME | while read -r line; do echo "$(now_us) $line"; done >"$work/captions" &
  spy=$!
  exec {keys}> >(xdotool -)
  sleep 0.5
  accepted=$(now_us)
  echo "key Return" >&"$keys"
  for _ in $(seq 1000); do
    grep -qF "Tracella - $path\"" "$work/captions" && break
    sleep 0.01
  done
  exec {keys}>&-
  kill "$spy" 2>/dev/null || true
  shown=$(grep -F "Tracella - $path\"" "$work/captions" | head -n1 | cut -d' ' -f1 || true)
  [ -n "$shown" ] || { echo "the caption never named $path" >&2; cat "$work/program.log" >&2; exit 1; }
  sleep 1
  echo $(((shown - accepted) / 1000))
}

photo12=${photo/6000x4000/4243x2828}
start_program
before=$(resident_mb "$pid")
firsts=("$(open_through_dialog "$photo")")
after=$(resident_mb "$pid")
again=
if [ "$photo12" != "$photo" ] && [ -s "$photo12" ]; then
  open_through_dialog "$photo12" >/dev/null
  again=$(open_through_dialog "$photo")
fi
for _ in 1 2; do
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  start_program
  firsts+=("$(open_through_dialog "$photo")")
done
first=$(printf '%s\n' "${firsts[@]}" | sort -n | sed -n 2p)

best=
for _ in 1 2 3; do
  start=$(now_us)
  djpeg -outfile /dev/null "$photo"
  took=$((($(now_us) - start) / 1000))
  [ -z "$best" ] || [ "$took" -lt "$best" ] && best=$took
done

echo "djpeg decoding $(basename "$photo"), whole process (fastest of 3): $best ms"
awk -v o="$first" -v d="$best" -v all="${firsts[*]}" 'BEGIN { printf "First open in the window, dialog accepted to caption, median of three fresh processes (%s ms): %d ms = %.2fx djpeg\n", all, o, o / d }'
[ -z "$again" ] ||
  awk -v o="$again" -v d="$best" 'BEGIN { printf "Opened again after the 12 MP photograph: %d ms = %.2fx djpeg\n", o, o / d }'
awk -v b="$before" -v a="$after" 'BEGIN { printf "resident memory: %.1f MB before, %.1f MB after: %.2fx the 96 MB bitmap above it\n", b, a, (a - b) / 96 }'
