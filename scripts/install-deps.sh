#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Tracella. Idempotent.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-image-formats-plugins libjxr-dev libjxr-tools libjpeg-dev
  libgtest-dev libgmock-dev
  xvfb xauth openbox xdotool x11-utils fonts-dejavu-core
  desktop-file-utils appstream
  clang libclang-rt-14-dev valgrind time
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
