#!/usr/bin/env bash
# Runs a command on a virtual X display with a window manager, as a desktop user would see it.
set -euo pipefail
display_dir=$(mktemp -d)
trap 'kill "${wm_pid:-}" "${x_pid:-}" 2>/dev/null || true; rm -rf "$display_dir"' EXIT
for n in $(seq 120 160); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1600x1000x24 -dpi 96 -nolisten tcp >"$display_dir/xvfb.log" 2>&1 &
x_pid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME
openbox >"$display_dir/openbox.log" 2>&1 &
wm_pid=$!
sleep 1
"$@"
