# Shared by the end-to-end tests of the real program: checks, waits, the program's network namespace
# with its test host (192.0.2.1, answering echoes), a private X server, and a home of the program's own.
# The caller sets `program` and calls e2e_setup first; processes started by spawn are killed at the end.
ns=tnm$$p host=tnm$$h
e2e_setup() {
    set -u
    work=$(mktemp -d) failures=0 pid= pids=()
    trap cleanup EXIT; trap 'exit 1' INT TERM
}

skip_or_fail() {
    if [ "${CI:-}" = "true" ] || [ "${TN_NO_SKIP:-}" = "1" ]; then echo "FAILED: $1" >&2; exit 1; fi
    echo "SKIPPED: $1"
    exit 0
}
need_tools() { for tool in "$@"; do command -v "$tool" >/dev/null 2>&1 || skip_or_fail "$tool is not installed"; done; }
spawn() { "${@:2}" & printf -v "$1" %s $!; pids+=($!); }  # variable command...: in the background, its pid kept
cleanup() {
    for p in $pid "${pids[@]}"; do kill -KILL "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
    ip netns del "$host" 2>/dev/null
    rm -rf "$work"
}
not() { ! "$@"; }
check() {  # description, command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
within() {  # seconds, command...: waits for the command to succeed
    local limit=$1 i
    shift
    for i in $(seq $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "-- the program's output:"
        cat "$work/program.log"
        echo "$failures checks failed"
        exit 1
    fi
    echo "all checks passed"
}

# The network: the program's namespace and the test host, joined by a veth pair.
make_network() {
    [ "$(id -u)" = 0 ] || skip_or_fail "needs root to create network namespaces"
    ip netns add "$ns" && ip netns add "$host" || skip_or_fail "network namespaces cannot be created here"
    ip -n "$ns" link set lo up
    ip -n "$host" link set lo up
    ip -n "$ns" link add e0 type veth peer name e1 netns "$host"
    ip -n "$ns" addr add 192.0.2.2/24 dev e0
    ip -n "$ns" link set e0 up
    ip -n "$host" addr add 192.0.2.1/24 dev e1
    ip -n "$host" link set e1 up
}

start_xvfb() {
    spawn xvfb Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1
    within 10 test -s "$work/display" || { cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=":$(cat "$work/display")"
}

# A home of its own, with the test host as both sites.
make_home() {
    export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$XDG_CONFIG_HOME/TarnovelMon"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    settings="$XDG_CONFIG_HOME/TarnovelMon/TarnovelMon.ini"
    printf '[Settings]\nsite0=192.0.2.1\nsite1=192.0.2.1\nTimeOut=250\nTTL=64\nLoopMn=1\nlevel0=75\nlevel1=120\nlevel2=200\n' \
        >"$settings"
}
register_logon_start() {
    mkdir -p "$XDG_CONFIG_HOME/autostart"
    printf '[Desktop Entry]\nType=Application\nName=Tarnovel Monitor\nExec=%s\n' "$program" \
        >"$XDG_CONFIG_HOME/autostart/TarnovelMon.exe.desktop"
}

caption="Kestrune Software Tarnovel Monitor"
start_program() {  # [VAR=value ...]
    spawn pid ip netns exec "$ns" env QT_QPA_PLATFORM=xcb "$@" "$program" >>"$work/program.log" 2>&1
}
running() { kill -0 "$pid" 2>/dev/null; }
ended() { ! running; }
window() { xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1; }
visible() { [ -n "$(window)" ]; }
hidden() { [ -z "$(window)" ]; }
minimised() { xprop -id "$(xdotool search --name "^$caption\$" | head -n 1)" WM_STATE | grep -q Iconic; }
one_window() { [ "$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | wc -l)" = 1 ]; }
# A second start: it ends with status 0 within 2 s, the settings untouched, and one window is shown.
second_start() {
    local before second
    before=$(md5sum <"$settings")
    ip netns exec "$ns" env QT_QPA_PLATFORM=xcb "$program" >>"$work/program.log" 2>&1 & second=$!
    within 2 not kill -0 "$second" 2>/dev/null || { kill -KILL "$second"; return 1; }
    wait "$second" && [ "$(md5sum <"$settings")" = "$before" ] && within 5 one_window
}
saved() { grep -q '^frmPingWidth=' "$settings"; }

# The colour "#RRGGBB" of a pixel of the screen.
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
# The green lamp painted lit, read at a point of the window (where no accessibility bus reaches the
# program: another user's), and as a screen reader reads it: lit, in a level's shade.
green_lamp_painted() {
    eval "$(xdotool getwindowgeometry --shell "$(window)")"; local c; c=$(pixel $((X + 28)) $((Y + 24)))
    [ -n "$c" ] && [ "$c" != "#004000" ]
}
green_lamp_lit() { /usr/bin/python3 -c 'import pyatspi as a
raise SystemExit(not any(c.description.startswith("Lit, ") for c in a.findAllDescendants(a.Registry.getDesktop(0), lambda c: c.name == "Green lamp")))'; }
# A lamp lit, as a screen reader reads it.
lamp_lit() { /usr/bin/python3 -c 'import sys, pyatspi as a
raise SystemExit(not any(c.description.startswith("Lit") for c in a.findAllDescendants(a.Registry.getDesktop(0), lambda c: c.name == sys.argv[1])))' "$1"; }
# The accessible of that name: its description starts with the text given (describes NAME TEXT), or it
# is a table whose column headers are the words given (table_headers NAME WORDS).
describes() { /usr/bin/python3 -c 'import sys, pyatspi as a
raise SystemExit(not any(c.description.startswith(sys.argv[2]) for c in a.findAllDescendants(a.Registry.getDesktop(0), lambda c: c.name == sys.argv[1])))' "$@"; }
table_headers() { /usr/bin/python3 -c 'import sys, pyatspi as a
t = [c.queryTable() for c in a.findAllDescendants(a.Registry.getDesktop(0), lambda c: c.name == sys.argv[1] and c.getRole() == a.ROLE_TABLE)]
raise SystemExit(not t or " ".join(t[0].getColumnHeader(i).name for i in range(t[0].nColumns)) != sys.argv[2])' "$@"; }
# The tree of accessibles under the top-level window of that name, one per line, indented.
accessible_tree() { /usr/bin/python3 -c 'import sys, pyatspi as a
def show(c, depth):
    print("  " * depth + "%s \"%s\"%s" % (c.getRoleName(), c.name, " - " + c.description if c.description else ""))
    for child in c: show(child, depth + 1)
for app in a.Registry.getDesktop(0):
    for w in app:
        if w.name == sys.argv[1]: show(w, 0)' "$1"; }

# A click on the middle of the window's control of that accessible name (not a label), read over AT-SPI.
click_control() {
    xdotool mousemove $(/usr/bin/python3 -c 'import sys, pyatspi as a
for c in a.findAllDescendants(a.Registry.getDesktop(0), lambda c: c.name == sys.argv[1] and c.getRole() != a.ROLE_LABEL):
    e = c.queryComponent().getExtents(a.DESKTOP_COORDS); print(e.x + e.width // 2, e.y + e.height // 2)' "$1" | head -n 1) click 1
}

# A private session bus on a socket path, reached from the program's network namespace too.
start_bus() {
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" XDG_SESSION_TYPE=x11
    # bus_config, when set, is used instead of the session's (one that starts no services itself).
    local config=--session
    [ -n "${bus_config:-}" ] && config=--config-file=$bus_config
    spawn bus dbus-daemon "$config" --address="$DBUS_SESSION_BUS_ADDRESS" --nofork >"$work/bus.log" 2>&1
    within 10 test -S "$work/bus" || { cat "$work/bus.log"; exit 1; }
}
# A session bus with the accessibility bus found from it, for click_control; Qt's bridge on.
start_a11y_bus() {
    /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip_or_fail "python3-pyatspi is not installed"
    start_bus && export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    spawn a11y /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/a11y.log" 2>&1
    within 10 a11y_up || { cat "$work/a11y.log"; exit 1; }
}
# gdbus is the panel's and the user's hand on the program's StatusNotifierItem.
call() {  # destination path method args...: gdbus on the session bus
    gdbus call --session --dest "$1" --object-path "$2" --method "$3" "${@:4}" 2>/dev/null
}
# The program's registered item: the watcher may still list one of a program that has ended.
item() {
    local n
    for n in $(call org.kde.StatusNotifierWatcher /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems | grep -o ':[0-9.]*'); do
        call org.freedesktop.DBus / org.freedesktop.DBus.GetConnectionUnixProcessID "$n" | grep -q "uint32 $pid," &&
            echo "$n" && return
    done
}
registered() { [ -n "$(item)" ]; }
property() { call "$(item)" /StatusNotifierItem org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"; }
press() { call "$(item)" /StatusNotifierItem "org.kde.StatusNotifierItem.$1" 10 10 >/dev/null; }
watcher_up() { call org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher | grep -q true; }
watcher_gone() { ! watcher_up; }
a11y_up() { call org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner org.a11y.Bus | grep -q true; }
# The panel ($panel) ended, and its watcher gone from the bus: a program started now finds no tray.
stop_panel() {
    kill "$panel"
    wait "$panel" 2>/dev/null
    within 10 watcher_gone
}
# The menu the item exports over DBusMenu, as a panel reads it: its items' labels.
menu_layout() { call "$(item)" "$(property Menu | grep -o "'/[^']*'" | tr -d "'")" com.canonical.dbusmenu.GetLayout 0 -- -1 '[]'; }
menu_labels() { menu_layout | grep -o "'label': <'[^']*'>"; }

# A logon start before the window manager (1 s later) and the panel (3 s later): it ends hidden in the
# tray. The caller defines start_wm (which sets wm), start_panel and stop_panel.
logon_start_before_wm_and_panel() {
    echo "== A logon start before the window manager (1 s later) and the panel (3 s later)"
    stop_panel
    kill "$wm"
    wait "$wm" 2>/dev/null
    register_logon_start
    start_program
    sleep 1
    start_wm
    sleep 2
    start_panel
    check "the panel gets the icon" within 10 registered
    check "and the window is hidden into the tray" within 10 hidden
}
