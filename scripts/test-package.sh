#!/usr/bin/env bash
# Installs the package that scripts/package.sh built into a clean Debian 12 root (debootstrap
# --variant=minbase) with apt, which must pull every dependency, and checks it there: both
# programs run, the manual page renders, the window maps on a virtual display, the desktop entry
# and the AppStream metadata validate; then the purge must leave no file of ours.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
out=$(realpath -m "${OUT_DIR:-build-deb}")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
started=$SECONDS

scripts/install-deps.sh package
version=$(dpkg-parsechangelog -S Version)
deb=$out/tracella_${version}_$(dpkg-architecture -q DEB_HOST_ARCH).deb
[ -f "$deb" ] || { echo "tracella: no $deb; scripts/package.sh builds it" >&2; exit 1; }

root=$out/root
# The fresh root as debootstrap left it, so that later runs unpack it instead of bootstrapping.
fresh=$out/bookworm-minbase.tar
xvfb_pid=
window_pid=
# Innermost first, so that /dev/pts goes before /dev.
unmount_root() {
  findmnt -rn -o TARGET | { grep -E "^$root(/|$)" || true; } | sort -r | while read -r mount; do
    umount "$mount" || umount -l "$mount"
  done
}
cleanup() {
  [ -z "$window_pid" ] || { kill "$window_pid" && wait "$window_pid"; } 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  unmount_root
}
trap cleanup EXIT

make_root() {
  # A run that was killed may have left its mounts; never delete through them.
  unmount_root && rm -rf --one-file-system "$root" && mkdir -p "$root" || return 1
  if [ -f "$fresh" ]; then
    tar -xf "$fresh" -C "$root" --numeric-owner || return 1
  else
    debootstrap --variant=minbase bookworm "$root" "$mirror" &&
      tar -cf "$fresh.part" -C "$root" --numeric-owner . && mv "$fresh.part" "$fresh" || return 1
  fi
  # No service starts inside the root; it has no init.
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" &&
    chmod +x "$root/usr/sbin/policy-rc.d" && cp /etc/resolv.conf "$root/etc/resolv.conf"
}
step "making a clean Debian 12 root" make_root

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
apt_in_root() {
  in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o Dpkg::Use-Pty=0 \
    -o APT::Install-Recommends=false -o Acquire::Languages=none "$@"
}
# Every file and folder but the kernel's, the devices and the scratch space.
files_in_root() {
  in_root find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run \) -prune \
    -o -print | sort
}

files_in_root >"$out/files-before"
mkdir -p "$root/tmp/check"
cp "$deb" resources/sample.png "$root/tmp/check/"
install_package() {
  apt_in_root update && apt_in_root install "/tmp/check/$(basename "$deb")"
}
step "installing the package with apt" install_package

# A 2x2 grey TIFF, uncompressed: the header, eight tags, then the four pixels at byte 110.
tiff_picture() {
  printf 'II*\0\10\0\0\0\10\0'
  printf '\0\1\3\0\1\0\0\0\2\0\0\0'     # width 2
  printf '\1\1\3\0\1\0\0\0\2\0\0\0'     # height 2
  printf '\2\1\3\0\1\0\0\0\10\0\0\0'    # 8 bits a sample
  printf '\3\1\3\0\1\0\0\0\1\0\0\0'     # not compressed
  printf '\6\1\3\0\1\0\0\0\1\0\0\0'     # black is zero
  printf '\21\1\4\0\1\0\0\0\156\0\0\0'  # the strip at byte 110
  printf '\26\1\3\0\1\0\0\0\2\0\0\0'    # two rows a strip
  printf '\27\1\4\0\1\0\0\0\4\0\0\0'    # of four bytes
  printf '\0\0\0\0\0\377\377\0'
}
# A 2x2 24-bit BMP, and the same as JPEG XR, which a process of its own decodes.
bmp_picture() {
  printf 'BM\106\0\0\0\0\0\0\0\66\0\0\0'
  printf '\50\0\0\0\2\0\0\0\2\0\0\0\1\0\30\0\0\0\0\0\20\0\0\0\23\13\0\0\23\13\0\0\0\0\0\0\0\0\0\0'
  printf '\0\0\0\377\377\377\0\0\377\377\377\0\0\0\0\0'
}
tiff_picture >"$root/tmp/check/picture.tif"
bmp_picture >"$root/tmp/check/picture.bmp"
step "making a JPEG XR picture" JxrEncApp -i "$root/tmp/check/picture.bmp" -o "$root/tmp/check/picture.wmp"

# step runs these in a condition, where set -e does not stop them: each check is chained.
check_programs() {
  local printed
  printed=$(in_root tracella-sketch --version) && echo "$printed" &&
    { grep -qF "$version" <<<"$printed" || { echo "--version does not say $version" >&2; false; }; } &&
    rm -f "$root"/tmp/check/sketch.* &&
    # JPEG goes through Qt's plugin, PNG through Qt's own writer, SVG through potrace.
    in_root tracella-sketch /tmp/check/sample.png /tmp/check/sketch.jpg &&
    in_root tracella-sketch --threshold 12 --color red /tmp/check/sample.png /tmp/check/sketch.png &&
    in_root tracella-sketch /tmp/check/sample.png /tmp/check/sketch.svg &&
    [ "$(head -c 3 "$root/tmp/check/sketch.jpg" | od -An -tx1 | tr -d ' ')" = ffd8ff ] &&
    [ "$(head -c 4 "$root/tmp/check/sketch.png" | tail -c 3)" = PNG ] &&
    grep -q '<svg' "$root/tmp/check/sketch.svg" &&
    # libtiff reads TIFF, not a Qt plugin: the bare root shows that no plugin package is needed.
    in_root tracella-sketch /tmp/check/picture.tif /tmp/check/sketch-of-tiff.png &&
    in_root tracella-sketch /tmp/check/picture.bmp /tmp/check/sketch-of-bmp.png &&
    in_root tracella-sketch /tmp/check/picture.wmp /tmp/check/sketch-of-wmp.png
}
step "running tracella-sketch in the root" check_programs

# The window on a virtual display outside the root, its socket bound into it; the exit trap
# ends both and unmounts the socket's folder.
check_window() {
  local display_file=$out/xvfb-display display window
  rm -f "$display_file"
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$display_file" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  display=:$(cat "$display_file") &&
    mkdir -p "$root/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix" || return 1
  in_root env DISPLAY="$display" tracella &
  window_pid=$!
  window=$(DISPLAY=$display timeout 60 xdotool search --sync --onlyvisible --class tracella | head -n 1) &&
    [ -n "$window" ] && DISPLAY=$display xwininfo -id "$window" | grep 'Map State: IsViewable'
}
step "starting the window in the root" check_window

check_desktop_files() {
  apt_in_root install man-db desktop-file-utils appstream &&
    in_root sh -c 'MANPAGER=cat MANWIDTH=80 man tracella-sketch' | grep -- '--threshold' &&
    in_root sh -c 'MANPAGER=cat MANWIDTH=80 man tracella' | grep 'tracella-sketch' &&
    in_root desktop-file-validate /usr/share/applications/org.example.Tracella.desktop &&
    in_root appstreamcli validate --no-net /usr/share/metainfo/org.example.Tracella.metainfo.xml
}
step "checking the manual pages, the desktop entry and the metadata" check_desktop_files

in_root dpkg-query -W -f='${Installed-Size}\n' tracella >"$out/installed-size"
in_root dpkg -L tracella >"$out/files-of-package"
# The folders that hold the package's files, shared ones such as /usr/bin included.
in_root sh -c 'dpkg -L tracella | while read -r path; do [ -d "$path" ] || dirname "$path"; done' |
  sort -u >"$out/folders-of-package"
step "purging the package" apt_in_root remove --purge tracella
files_in_root >"$out/files-after"

# After the purge: no file the package held, nothing new named after it anywhere, and nothing
# new that no package owns in the folders it used but the desktop's caches, which belong to
# desktop-file-utils and gtk-update-icon-cache and must not name it either.
check_purged() {
  local left=0 path
  while read -r path; do
    if [ -e "$root$path" ] && [ ! -d "$root$path" ]; then echo "left: $path"; left=1; fi
  done <"$out/files-of-package"
  comm -13 "$out/files-before" "$out/files-after" >"$out/files-new"
  # Not man-db's cache of formatted pages, which its daily clean-up empties.
  if grep -i tracella "$out/files-new" | grep -v '^/var/cache/man/'; then left=1; fi
  in_root sh -c 'cat /var/lib/dpkg/info/*.list' | sort -u >"$out/files-owned"
  comm -23 "$out/files-new" "$out/files-owned" |
    awk 'NR == FNR { folder[$0]; next } { d = $0; sub("/[^/]*$", "", d) } d in folder' \
      "$out/folders-of-package" - >"$out/files-unowned"
  while read -r path; do
    case $path in
      */mimeinfo.cache | */icon-theme.cache)
        if grep -qi tracella "$root$path"; then echo "named in: $path"; left=1; fi ;;
      *) echo "not owned: $path"; left=1 ;;
    esac
  done <"$out/files-unowned"
  [ "$left" = 0 ]
}
step "checking that the purge left nothing of ours" check_purged

echo "tracella: package $(du -k "$deb" | cut -f1) KiB, installed $(cat "$out/installed-size") KiB," \
  "root check $((SECONDS - started)) s"
