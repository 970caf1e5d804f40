#!/usr/bin/env bash
# Cross-builds the imaging core and its tests for arm64 and runs them under qemu-user, so the
# vector code is built and checked on NEON and SVE as well. Installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-arm64}

sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
export DEBIAN_FRONTEND=noninteractive
apt_get=("${sudo_cmd[@]}" apt-get -o DPkg::Lock::Timeout=900 -qq)
packages=(cmake ninja-build g++-aarch64-linux-gnu qemu-user libhwy-dev:arm64 libgtest-dev:arm64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  dpkg --print-foreign-architectures | grep -qx arm64 || "${sudo_cmd[@]}" dpkg --add-architecture arm64
  "${apt_get[@]}" update
  "${apt_get[@]}" install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRACELLA_IMAGING_ONLY=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/aarch64-linux-gnu.cmake"
cmake --build "$build_dir"
ctest --test-dir "$build_dir" --output-on-failure -j2
