#!/usr/bin/env bash
# Runs the notification-area tests on a private X server: once with no tray host, once with trayer as
# the XEmbed tray host. Usage: run_under_xvfb.sh <tray_x11_tests binary>
# Without Xvfb, trayer, xdotool or the X utilities the tests are skipped, unless CI=true or TN_NO_SKIP=1.
set -u

binary=${1:?usage: run_under_xvfb.sh <test binary>}

skip_or_fail() {
    if [ "${CI:-}" = "true" ] || [ "${TN_NO_SKIP:-}" = "1" ]; then
        echo "FAILED: $1" >&2
        exit 1
    fi
    echo "SKIPPED: $1"
    exit 0
}

for tool in Xvfb trayer xdotool xwininfo; do
    command -v "$tool" >/dev/null 2>&1 || skip_or_fail "$tool is not installed"
done

work=$(mktemp -d)
xvfb_pid=
trayer_pid=

stop() {  # pid
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || return 0
    local i
    for i in $(seq 50); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

cleanup() {
    stop "$trayer_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The server picks a free display number itself and writes it once it accepts connections. It must not
# reset when the first test run, its only client, disconnects: it would refuse connections meanwhile.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=
for _ in $(seq 100); do
    display=$(cat "$work/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

export DISPLAY=":$display"
export QT_QPA_PLATFORM=xcb
# No session bus: Qt then uses the XEmbed tray protocol instead of StatusNotifierItem over D-Bus.
unset DBUS_SESSION_BUS_ADDRESS
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# In sanitizer builds: what the system libraries keep for good is not the program's leak.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan_x11.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
echo "X server on $DISPLAY"

status=0

echo "== Without a tray host"
TN_TRAY_HOST=absent "$binary" --gtest_filter='TrayNoHost.*' || status=1

echo "== With trayer as the tray host"
trayer --edge top --align right --widthtype request --height 32 --transparent false --SetDockType true \
    >"$work/trayer.log" 2>&1 &
trayer_pid=$!
for _ in $(seq 100); do
    [ -n "$(xdotool search --class trayer 2>/dev/null)" ] && break
    kill -0 "$trayer_pid" 2>/dev/null || break
    sleep 0.1
done
if ! kill -0 "$trayer_pid" 2>/dev/null; then
    echo "trayer did not start:" >&2
    cat "$work/trayer.log" >&2
    exit 1
fi

TN_TRAY_HOST=running "$binary" --gtest_filter='-TrayNoHost.*' || status=1

if [ $status -ne 0 ] && [ -s "$work/trayer.log" ]; then
    echo "-- trayer's output:" >&2
    cat "$work/trayer.log" >&2
fi
exit $status
