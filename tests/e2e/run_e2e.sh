#!/usr/bin/env bash
# The real program as a user meets it: on a private X server (Xvfb) with trayer as the tray host and
# xdotool as the user's hand, with a home of its own, running inside a network namespace whose only
# neighbour is a test host of ours (192.0.2.1, answering echoes).
# Usage: run_e2e.sh <TarnovelMon binary>
set -u
program=$(readlink -f "${1:?usage: run_e2e.sh <TarnovelMon binary>}")

skip_or_fail() {
    if [ "${CI:-}" = "true" ] || [ "${TN_NO_SKIP:-}" = "1" ]; then echo "FAILED: $1" >&2; exit 1; fi
    echo "SKIPPED: $1"
    exit 0
}
[ "$(id -u)" = 0 ] || skip_or_fail "needs root to create network namespaces"
for tool in Xvfb trayer xdotool xwininfo ip import; do
    command -v "$tool" >/dev/null 2>&1 || skip_or_fail "$tool is not installed"
done

work=$(mktemp -d)
ns=tnmone2e$$p
host=tnmone2e$$h
xvfb_pid= trayer_pid= pid=
failures=0

cleanup() {
    for p in $pid $trayer_pid $xvfb_pid; do kill -KILL "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
    ip netns del "$host" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

check() {  # description, command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

# Waits up to $1 seconds for the command to succeed.
within() {
    local limit=$1
    shift
    local i
    for i in $(seq $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# --- The network: the program's namespace and the test host, joined by a veth pair.
ip netns add "$ns" && ip netns add "$host" || skip_or_fail "network namespaces cannot be created here"
ip -n "$ns" link set lo up
ip -n "$host" link set lo up
ip -n "$ns" link add e0 type veth peer name e1 netns "$host"
ip -n "$ns" addr add 192.0.2.2/24 dev e0
ip -n "$ns" link set e0 up
ip -n "$host" addr add 192.0.2.1/24 dev e1
ip -n "$host" link set e1 up

# --- The desktop: Xvfb and trayer.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
within 10 test -s "$work/display" || { cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$work/display")"
trayer --edge top --align right --widthtype request --height 32 --transparent false --SetDockType true \
    >"$work/trayer.log" 2>&1 &
trayer_pid=$!
within 10 sh -c '[ -n "$(xdotool search --onlyvisible --class trayer 2>/dev/null)" ]' || { cat "$work/trayer.log"; exit 1; }
tray=$(xdotool search --onlyvisible --class trayer | head -n 1)

# --- A home of its own, with the test host as both sites.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_CONFIG_HOME/TarnovelMon"
mkdir -m 700 "$XDG_RUNTIME_DIR"
settings="$XDG_CONFIG_HOME/TarnovelMon/TarnovelMon.ini"
printf '[Settings]\nsite0=192.0.2.1\nsite1=192.0.2.1\nTimeOut=250\nTTL=64\nLoopMn=1\nlevel0=75\nlevel1=120\nlevel2=200\n' \
    >"$settings"

caption="Kestrune Software Tarnovel Monitor"
start_program() {
    ip netns exec "$ns" env QT_QPA_PLATFORM=xcb "$program" >>"$work/program.log" 2>&1 &
    pid=$!
}
running() { kill -0 "$pid" 2>/dev/null; }
ended() { ! running; }
window() { xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1; }
visible() { [ -n "$(window)" ]; }
hidden() { [ -z "$(window)" ]; }

# The colour "#RRGGBB" of a pixel of the screen.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
# The centre of the tray icon: trayer holds our icon alone.
tray_colour() {
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    pixel $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}
tray_is() { [ "$(tray_colour)" = "$1" ]; }
tray_click() {  # button
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$1"
}
# A point of the window, in pixels from its top-left corner.
window_pixel() {
    eval "$(xdotool getwindowgeometry --shell "$(window)")"
    pixel $((X + $1)) $((Y + $2))
}
window_click() { xdotool mousemove --window "$(window)" "$1" "$2" click 1; }
green_lamp_lit() { local c; c=$(window_pixel 28 24); [ -n "$c" ] && [ "$c" != "#004000" ]; }

# The points of the controls used, in pixels (twips / 15).
start_button="231 122"     # frmLoop + cmdStart, centre
logon_box="14 227"         # frmControl + chkAutoStartUp, the box
time_out_box="449 155"     # frmLoop + txtTimeOut, centre

echo "== A plain start"
start_program
check "the window appears" within 15 visible
check "the tray icon shows the grey Ready picture" within 10 tray_is "#C0C0C0"
window_click $start_button
check "Start monitors the host: the green lamp lights" within 10 green_lamp_lit
check "the tray icon turns green" within 10 tray_is "#00FF00"
window_click $logon_box
check "checking Startup automatically registers logon start" \
    within 5 test -f "$XDG_CONFIG_HOME/autostart/TarnovelMon.exe.desktop"
tray_click 3
sleep 1
xdotool key e
check "the tray menu's Exit ends the program" within 10 ended
check "the settings were saved" grep -q '^frmPingWidth=' "$settings"

echo "== A start with logon start registered"
start_program
check "the program runs" within 5 running
sleep 3
check "no window appears" hidden
check "it is already monitoring: the tray icon turns green" within 10 tray_is "#00FF00"
tray_click 1
check "a left press on the tray icon restores the window" within 10 visible
window_click $time_out_box
xdotool key ctrl+a type "300"
sleep 0.5
kill -TERM "$pid"
check "SIGTERM during a wait ends the program" within 10 ended
check "with the settings saved" grep -q '^TimeOut=300$' "$settings"

if [ $failures -ne 0 ]; then
    echo "-- the program's output:"
    cat "$work/program.log"
    echo "$failures checks failed"
    exit 1
fi
echo "all checks passed"
