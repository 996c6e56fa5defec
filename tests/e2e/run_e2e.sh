#!/usr/bin/env bash
# The real program as a user meets it: on Xvfb with trayer as the XEmbed tray (no StatusNotifierItem
# watcher), xdotool the hand on controls found over AT-SPI, a home of its own, a network namespace with a test host.
# Usage: run_e2e.sh <TarnovelMon binary> <late_wm binary>
program=$(readlink -f "${1:?usage: run_e2e.sh <TarnovelMon binary> <late_wm binary>}")
late_wm=$(readlink -f "${2:?usage: run_e2e.sh <TarnovelMon binary> <late_wm binary>}")
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools Xvfb trayer xdotool xwininfo xprop ip import dbus-daemon sqlite3
make_network
start_xvfb
start_a11y_bus
tray_up() { tray=$(xdotool search --onlyvisible --class trayer 2>/dev/null | head -n 1) && [ -n "$tray" ]; }
start_trayer() {  # sets trayer_pid and tray, its window
    spawn trayer_pid trayer --edge top --align right --widthtype request --height 32 --transparent false \
        --SetDockType true >>"$work/trayer.log" 2>&1
    within 10 tray_up || { cat "$work/trayer.log"; exit 1; }
}
start_trayer
make_home

# The centre of the tray icon: trayer holds our icon alone.
tray_colour() {
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    pixel $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
}
one_icon() { [ "$(xwininfo -tree -id "$tray" | grep -c '"TarnovelMon":')" = 1 ]; }
tray_is() { [ "$(tray_colour)" = "$1" ]; }
tray_click() {  # button
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$1"
}

echo "== A plain start"
start_program
check "the window appears" within 15 visible
check "the tray icon shows the grey Ready picture" within 10 tray_is "#C0C0C0"
check "a second start ends at once, with status 0, the settings untouched" second_start
click_control "Start->"
check "Start monitors the host: the green lamp lights" within 10 green_lamp_lit
check "the tray icon turns green" within 10 tray_is "#00FF00"
eval "$(xdotool getwindowgeometry --shell "$tray")" && mkdir -p "${TN_SCREENSHOTS:=$work}"
import -window root -crop "$((WIDTH + 56))x$((HEIGHT + 16))+$((X - 48))+$((Y - 8))" "$TN_SCREENSHOTS/tray_in_trayer.png"
echo "== An outage, then the History window"
ip netns exec "$host" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
click_control "Test"
check "a round without an answer lights the yellow lamp" within 10 lamp_lit "Yellow lamp"
ip netns exec "$host" sysctl -qw net.ipv4.icmp_echo_ignore_all=0
click_control "Test"
check "the next round is green again" within 10 not lamp_lit "Yellow lamp"
history=$HOME/.local/share/TarnovelMon/history.sqlite
check "each round is recorded, the failed one yellow" \
    test "$(sqlite3 "$history" 'SELECT group_concat(lamp) FROM rounds')" = "0,1,0"
check "the history file is the user's alone" test "$(stat -c %a "$history" "$(dirname "$history")")" = $'600\n700'
xdotool windowfocus --sync "$(window)" key ctrl+h
check "Ctrl+H opens the History window" within 10 xdotool search --onlyvisible --name "^TarnovelMon History\$"
check "its graph sums the span up for a screen reader" \
    within 5 describes "Round trips" "Last 24 hours: 3 rounds, 33.3 % lost, 1 outage of "
check "its outages read as a table with its headers" table_headers "Outages" "Start End Length Worst lamp Site"
accessible_tree "TarnovelMon History" >"$work/history_tree.txt"
[ -n "${TN_SCREENSHOTS:-}" ] && cp "$work/history_tree.txt" "$TN_SCREENSHOTS/"
xdotool key Escape
check "Escape closes it" within 5 not xdotool search --onlyvisible --name "^TarnovelMon History\$"
click_control "Startup automatically"
check "checking Startup automatically registers logon start" \
    within 5 test -f "$XDG_CONFIG_HOME/autostart/TarnovelMon.exe.desktop"
tray_click 3
sleep 1
xdotool key e
check "the tray menu's Exit ends the program" within 10 ended
check "the settings were saved" saved

echo "== A start with logon start registered"
start_program
check "the program runs" within 5 running
sleep 3
check "no window appears" hidden
check "it is already monitoring: the tray icon turns green" within 10 tray_is "#00FF00"
tray_click 1
check "a left press on the tray icon restores the window" within 10 visible
click_control "Time Out (ms)"
xdotool key ctrl+a type "300"
sleep 0.5
kill -TERM "$pid"
check "SIGTERM during a wait ends the program" within 10 ended
check "with the settings saved" grep -q '^TimeOut=300$' "$settings"

echo "== A second start while hidden in the tray; a start after the first was killed"
start_program
check "the program monitors, hidden in the tray" within 10 tray_is "#00FF00"
check "no window is shown" hidden
check "a second start ends at once, with status 0, the settings untouched; the window comes forward" second_start
check "one tray icon remains" one_icon
kill -KILL "$pid"
wait "$pid" 2>/dev/null
start_program
check "after SIGKILL, a start comes up in the tray" within 10 tray_is "#00FF00"
check "and takes over: a second start brings it forward" second_start
kill -KILL "$pid"
wait "$pid" 2>/dev/null

echo "== A logon start before the tray: shown (no window manager to minimise it), then hidden into the tray"
kill "$trayer_pid"
start_program
check "the window is shown" within 10 visible
# A window manager that comes now takes the window on as normal: the program's minimise, not the user.
"$late_wm" "$(window)" && sleep 1
start_trayer
check "once the tray is up, the window is hidden into it" within 10 hidden
check "and the icon shows the state" within 10 tray_is "#00FF00"
finish
