#!/usr/bin/env bash
# Sketches a folder of pictures on several machines: GNU parallel sends each picture by ssh to a
# machine with a free processor (`:` is this one) and brings its PNG sketch back. Run it from the
# folder holding both folders:
#   apt install parallel rsync openssh-client   # here
#   apt install rsync ./tracella_*_amd64.deb    # on every other machine, reached by ssh login
#   bash scripts/sketch-machines.sh :,render1,render2 photos sketches --threshold 12
# Options after the two folders go to tracella-sketch. Where the other machines have its libraries
# but not the package, TRACELLA_SKETCH=build/tracella-sketch copies that build to them
# (parallel's --basefile) and runs it everywhere.
# Each job writes into a folder of its own, and a sketch takes its name under the output folder
# only by a hard link, which never replaces a file: a sketch already there, or two pictures with
# one sketch name (a.jpg and a.png), leave the newcomer in the job folder and the status 1. Checking
# for the sketch before a job instead would race with the other jobs and miss a.jpg against a.png.
set -euo pipefail
(($# >= 3)) || { echo "usage: $0 LOGINS PHOTOS SKETCHES [tracella-sketch options]" >&2; exit 2; }
logins=$1 photos=${2%/} sketches=${3%/}
shift 3
for folder in "$photos" "$sketches"; do
  case $folder in
    /* | . | .. | ../* | */.. | */../*) echo "$0: $folder: name a folder below this one" >&2; exit 2 ;;
  esac
done
# A machine whose home is this folder (a shared home) would run its jobs in these very files, and
# parallel's clean-up would then delete them.
[[ $PWD != "$HOME" ]] || { echo "$0: run it from a folder below your home folder" >&2; exit 2; }

mkdir -p "$sketches"
# The jobs' working folder, here and (by the same relative name) on the others, where parallel
# removes it again. Here the jobs reach the pictures through a link.
incoming=$(mktemp -d "$sketches/.incoming.XXXXXX")
mkdir -p "$incoming/$(dirname "$photos")"
ln -s "$PWD/$photos" "$incoming/$photos"
program=(tracella-sketch) basefile=()
if [[ -n ${TRACELLA_SKETCH:-} ]]; then
  cp "$TRACELLA_SKETCH" "$incoming/tracella-sketch"
  program=(./tracella-sketch) basefile=(--basefile "$incoming/./tracella-sketch")
fi

status=0
# A job's clean-up on a machine removes the folders it leaves empty, and may do so while another
# job there is still copying its picture in: such a job fails, and runs again (on another machine
# where there is one).
find "$photos" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) -print0 |
  parallel -0 -q --sshlogin "$logins" --retries 3 --workdir "$incoming" "${basefile[@]}" --transferfile {} \
    --return "$incoming/./{#}/{.}.png" --cleanup \
    "${program[@]}" --format png "$@" --base . --out-dir '{#}' {} || status=1
rm -f "$incoming/$photos" "$incoming/tracella-sketch"

# In the order of the list, as one tracella-sketch run would: the first of two takes the name.
while read -r job; do
  while IFS= read -r -d '' sketch; do
    name=$sketches/${sketch#"$incoming/$job/$photos/"}
    mkdir -p "$(dirname "$name")"
    if ln "$sketch" "$name"; then rm "$sketch"; else status=1; fi
  done < <(find "$incoming/$job" -type f -print0)
done < <(find "$incoming" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | sort -n)
find "$incoming" -depth -type d -empty -delete
[[ ! -d $incoming ]] || echo "$0: the sketches that found their names taken are in $incoming" >&2
exit "$status"
