#!/usr/bin/env bash
# Runs the many-machines recipe on two machines, this one (`:`) and an ssh login to an sshd of our
# own on 127.0.0.1, and checks that it writes the very bytes one local run writes; then runs it
# again over those sketches and checks that none of them was written over.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
scripts/install-deps.sh recipes
readme_shows scripts/sketch-machines.sh
build_dir=${BUILD_DIR:-build}
work=$(mktemp -d "$PWD/$build_dir/parallel-recipe.XXXXXX")
sshd_pid=
stop() {
  if [[ -n $sshd_pid ]]; then kill "$sshd_pid" 2>/dev/null || true; wait "$sshd_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap stop EXIT
export PATH="$PWD/$build_dir:$PATH"
fail() { echo "parallel recipe: $*" >&2; exit 1; }

# 24 different pictures in nested folders (one name with a space for the quoting on the way), the
# same names in different folders, any extension the recipe picks up.
extensions=(JPG jpeg png)
for i in $(seq 3 26); do
  folders=(. "sub dir" "sub dir/deeper" other)
  folder=$work/photos/${folders[i % 4]}
  mkdir -p "$folder"
  tracella-sketch --threshold "$i" resources/emblem.png "$work/made-$i.${extensions[i % 3],,}"
  mv "$work/made-$i.${extensions[i % 3],,}" "$folder/p$((i / 4)).${extensions[i % 3]}"
done
count=$(find "$work/photos" -type f | wc -l)

# The other machine: an sshd on a free port of 127.0.0.1, keys made here, its home in $work; it
# logs each command it runs. On it, tracella-sketch is the build's, as an installed one would be.
ssh_dir=$work/ssh
mkdir -p "$ssh_dir" "$work/remote-home" "$work/remote-bin" "$work/home"
ln -s "$PWD/$build_dir/tracella-sketch" "$work/remote-bin/tracella-sketch"
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/user_key"
cp "$ssh_dir/user_key.pub" "$ssh_dir/authorized_keys"
# Its privilege-separation folder, which the system's sshd service would make.
mkdir -p /run/sshd
for _ in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 40000))
  # A port already listening on (state 0A) in /proc/net/tcp is not free.
  if grep -qi "^ *[0-9]*: [0-9A-F]*:$(printf '%04X' "$port") [0-9A-F:]* 0A" /proc/net/tcp; then continue; fi
  cat >"$ssh_dir/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey "$ssh_dir/host_key"
PidFile none
AuthorizedKeysFile "$ssh_dir/authorized_keys"
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
# The build folder's owners and modes are not ours to choose.
StrictModes no
SetEnv HOME="$work/remote-home" PATH="$work/remote-bin:/usr/bin:/bin"
ForceCommand printf '%s\\n' "\$SSH_ORIGINAL_COMMAND" >>"$ssh_dir/commands"; cd && eval "\$SSH_ORIGINAL_COMMAND"
EOF
  cat >"$ssh_dir/config" <<EOF
Host 127.0.0.1
  Port $port
  User $(id -un)
  IdentityFile "$ssh_dir/user_key"
  IdentitiesOnly yes
  UserKnownHostsFile "$ssh_dir/known_hosts"
  GlobalKnownHostsFile /dev/null
  StrictHostKeyChecking yes
  BatchMode yes
EOF
  echo "[127.0.0.1]:$port $(cut -d' ' -f1,2 "$ssh_dir/host_key.pub")" >"$ssh_dir/known_hosts"
  /usr/sbin/sshd -D -e -f "$ssh_dir/sshd_config" 2>"$ssh_dir/sshd.log" &
  sshd_pid=$!
  for _ in $(seq 100); do
    ssh -F "$ssh_dir/config" 127.0.0.1 true 2>/dev/null && break 2
    kill -0 "$sshd_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$sshd_pid" 2>/dev/null || true
  wait "$sshd_pid" 2>/dev/null || true
  sshd_pid=
done
[[ -n $sshd_pid ]] || { cat "$ssh_dir/sshd.log" >&2; fail "no sshd on 127.0.0.1"; }
rm -f "$ssh_dir/commands"

recipe() {
  (cd "$work" && HOME=$work/home PARALLEL_SSH="ssh -F $ssh_dir/config" \
    bash "$OLDPWD/scripts/sketch-machines.sh" 1/:,4/127.0.0.1 photos sketches "$@")
}
# First with the build copied to the machines, as parallel's --basefile does it; one job at a time
# here and four there, so that the other machine gets a good share.
TRACELLA_SKETCH=$PWD/$build_dir/tracella-sketch recipe
(cd "$work" && find photos -type f -print0 | tracella-sketch --format png --base photos --out-dir local --from - -0)
# The other machine sends back one sketch for each of its jobs.
remote=$(grep -c -- 'rsync --server --sender' "$ssh_dir/commands" || true)
((remote > 0 && remote < count)) || fail "$remote of $count pictures sketched on 127.0.0.1, not some"
[[ $(find "$work/sketches" -type f | wc -l) == "$count" ]] || fail "$count pictures, not as many sketches"
diff -r "$work/local" "$work/sketches"
[[ -z $(ls -A "$work/remote-home") ]] || fail "the other machine's home is not left empty"

# Again over those sketches, with the binary installed there and other settings: each one sketched
# again stays in the job folder, not one sketch is written over, and the status says so.
if recipe --threshold 20 --color '#C00000' 2>"$work/again.log"; then fail "a second run over the sketches exits 0"; fi
diff -r "$work/local" "$work/sketches" -x '.incoming.*'
kept=$(find "$work/sketches" -path '*/.incoming.*' -type f | wc -l)
[[ $kept == "$count" ]] || { cat "$work/again.log" >&2; fail "$kept of $count new sketches kept aside"; }
echo "parallel recipe: $count pictures on 2 machines ($remote on 127.0.0.1), the bytes of one local run"
