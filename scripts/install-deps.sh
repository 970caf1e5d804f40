#!/usr/bin/env bash
# Installs the Debian packages that a task needs and the machine lacks (idempotent):
#   install-deps.sh run     building and starting the window
#   install-deps.sh test    every test (the default)
#   install-deps.sh bench   the benchmarks
#   install-deps.sh package building the Debian package and checking it in a clean root
#   install-deps.sh recipes the many-machines recipe's check (an ssh server among them)
# With nothing missing it only asks dpkg once, so a second run costs no time.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh

run=(cmake ninja-build g++ pkg-config
  qt6-base-dev libxcb1-dev qt6-image-formats-plugins libjxr-dev libjpeg-dev libgif-dev libpng-dev libtiff-dev libhwy-dev fonts-dejavu-core libpotrace-dev help2man)
test=("${run[@]}" libgtest-dev libgmock-dev libjxr-tools librsvg2-bin
  xvfb xauth openbox xdotool x11-utils desktop-file-utils appstream
  clang libclang-rt-14-dev clang-format clang-tidy valgrind time strace)
bench=("${test[@]}" libbenchmark-dev libopencv-dev python3 python3-skimage potrace libxml2-utils)
# The Debian package (scripts/package.sh; the build dependencies come from debian/control) and
# its check in a clean root (scripts/test-package.sh).
package=(dpkg-dev lintian debootstrap xvfb xauth xdotool x11-utils libjxr-tools)
# Apart from the tests: on a machine that runs systemd, installing openssh-server starts an ssh
# server on port 22. Only CI (scripts/test-parallel-recipe.sh) asks for it.
recipes=(parallel rsync openssh-client openssh-server)

case ${1:-test} in
  run) packages=("${run[@]}") ;;
  test) packages=("${test[@]}") ;;
  bench) packages=("${bench[@]}") ;;
  package) packages=("${package[@]}") ;;
  recipes) packages=("${recipes[@]}") ;;
  *) echo "usage: $0 [run|test|bench|package|recipes]" >&2; exit 2 ;;
esac

installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${packages[@]}" 2>/dev/null |
  awk '$2 == "installed" { print $1 }' || true)
missing=()
for p in "${packages[@]}"; do
  grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
((${#missing[@]})) || exit 0

sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
export DEBIAN_FRONTEND=noninteractive
apt_get=("${sudo_cmd[@]}" apt-get -y -q -o Dpkg::Use-Pty=0 -o APT::Install-Recommends=false
  -o Acquire::Languages=none -o Dpkg::Options::=--force-unsafe-io)
# Package lists younger than a day are used as they are; older or stale ones are read again.
update_and_install() {
  if [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*_Packages*' -mtime -1 2>/dev/null)" ]; then
    "${apt_get[@]}" update
  fi
  "${apt_get[@]}" install "${missing[@]}" || { "${apt_get[@]}" update && "${apt_get[@]}" install "${missing[@]}"; }
}
step "installing ${#missing[@]} packages" update_and_install
