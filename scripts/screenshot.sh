#!/usr/bin/env bash
# Runs matslip-screenshot under a private Xvfb display with openbox, so that
# the picture shows the window as a window manager frames it.
# screenshot.sh TOOL DIR OUT.png [WINDOW]
set -euo pipefail
tool=$1 dir=$2 out=$3
shift 3
fifo=$(mktemp -u)
mkfifo "$fifo"
exec 3<>"$fifo"
rm -f "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
xvfb=$!
openbox_pid=""
trap 'kill $openbox_pid $xvfb 2>/dev/null || true' EXIT
read -r -t 30 number <&3
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
openbox_pid=$!
for _ in $(seq 300); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$tool" "$dir" "$out" "$@"
