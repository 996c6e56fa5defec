#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb, a free display number), then stops the server.
# Usage: bash tools/with-xvfb.sh COMMAND [ARGS...]    The command's exit status is returned.
set -u
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed (package xvfb)" >&2; exit 1; }
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
display=
for _ in $(seq 100); do
    display=$(cat "$work/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
[ -n "$display" ] || { echo "Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
mkdir -m 700 "$work/runtime"
DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" "$@"
