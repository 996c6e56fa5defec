#!/usr/bin/env bash
# Runs the X11 tray tests on a private Xvfb: first with no tray, then with trayer as the XEmbed tray.
# Without the X tools it prints "SKIPPED: <reason>", unless CI=true or TN_NO_SKIP=1 make that a failure.
set -u
for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null 2>&1 && continue
    [ "${CI:-}" = true ] || [ "${TN_NO_SKIP:-}" = 1 ] && { echo "FAILED: $tool is not installed"; exit 1; }
    echo "SKIPPED: $tool is not installed"; exit 0
done
work=$(mktemp -d) pids=()
trap 'for p in "${pids[@]}"; do kill "$p"; wait "$p"; done 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }
# No session bus: Qt uses the XEmbed tray. Sanitizer builds: libdbus keeps a buffer of that attempt.
unset DBUS_SESSION_BUS_ADDRESS && chmod 700 "$work" && echo "leak:libdbus-1.so" >"$work/lsan.supp"
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" \
    LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
TN_TRAY_HOST=absent "$1" --gtest_filter='TrayNoHost.*' || status=1
trayer --edge top --align right --widthtype request --height 32 --transparent false >"$work/trayer.log" 2>&1 &
pids=("$!" "${pids[@]}")
for _ in $(seq 100); do [ -n "$(xdotool search --class trayer 2>/dev/null)" ] && break; sleep 0.1; done
TN_TRAY_HOST=running "$1" --gtest_filter='-TrayNoHost.*' || { status=1; cat "$work/trayer.log"; }
exit "${status:-0}"
