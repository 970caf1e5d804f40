#!/usr/bin/env bash
# Cross-builds the imaging core and its tests for arm64 into build-arm64 (or $ARM64_BUILD_DIR) and
# runs them under qemu-user, so that the vector code is built and checked on NEON and SVE too.
# Installs the cross compiler, qemu-user and the arm64 libraries (through multiarch) it needs.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
build_dir=${ARM64_BUILD_DIR:-build-arm64}

packages=(cmake ninja-build g++-aarch64-linux-gnu qemu-user libhwy-dev:arm64 libgtest-dev:arm64)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
done
install_arm64() {
  local sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo -n)
  dpkg --print-foreign-architectures | grep -qx arm64 || "${sudo_cmd[@]}" dpkg --add-architecture arm64
  export DEBIAN_FRONTEND=noninteractive
  local apt_get=("${sudo_cmd[@]}" apt-get -y -q -o Dpkg::Use-Pty=0 -o APT::Install-Recommends=false
    -o Acquire::Languages=none -o DPkg::Lock::Timeout=900)
  "${apt_get[@]}" update
  "${apt_get[@]}" install "${missing[@]}"
}
((${#missing[@]} == 0)) || step "installing ${#missing[@]} packages for arm64" install_arm64
step "configuring for arm64" cmake --preset arm64 -B "$build_dir"
step "building for arm64" cmake --build "$build_dir"
echo "tracella: testing on arm64 under qemu-user"
ctest --test-dir "$build_dir" --output-on-failure -j2
