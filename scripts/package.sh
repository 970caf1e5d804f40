#!/usr/bin/env bash
# Builds the Debian package from the working tree into build-deb/ and checks it with lintian:
# tracella_<version>_<arch>.deb, its debug symbols, .buildinfo and .changes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
out=${OUT_DIR:-build-deb}
started=$SECONDS

scripts/install-deps.sh package
# Whatever debian/control's Build-Depends names and the machine lacks; the package lists are read
# again only when they do not know it.
build_dep() { DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -q --no-install-recommends ./; }
install_build_deps() { build_dep || { apt-get update -q && build_dep; }; }
dpkg-checkbuilddeps 2>/dev/null || step "installing the build dependencies" install_build_deps

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -q DEB_HOST_ARCH)
# dpkg-buildpackage writes beside the source folder, so it builds a copy of the tracked and new
# files inside $out and the results land there too.
src=$out/tracella-$version
rm -rf "$src" "$out"/tracella_"$version"_* "$out"/tracella-dbgsym_"$version"_*
mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$src"
step "building the package" sh -c "cd '$src' && dpkg-buildpackage -b -us -uc"
changes=$out/tracella_${version}_${arch}.changes
step "checking it with lintian" lintian --fail-on error,warning "$changes"
rm -rf "$src"
echo "tracella: $out/$(basename "$changes" .changes).deb built and checked in $((SECONDS - started)) s"
