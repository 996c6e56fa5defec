#!/usr/bin/env bash
# The notifications of a lost and a restored connection, as the user meets them: the real program on
# Xvfb, dunst the notification server on a private session bus that starts no services itself, outages
# made in the test's network namespace, the Test button the user's hand. Then no server, a server that
# never answers, and a server that restarts within an outage.
# Usage: notify_e2e.sh <TarnovelMon binary>
program=$(readlink -f "${1:?usage: notify_e2e.sh <TarnovelMon binary>}")
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools Xvfb xdotool ip dbus-daemon dbus-monitor dunst gdbus sqlite3 trayer
bus_config=$work/bus.conf
printf '%s\n' '<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>' \
    '<policy context="default">' \
    '<allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>' \
    >"$bus_config"
make_network
start_xvfb
start_a11y_bus
make_home
notices=$work/notices.log
spawn monitor dbus-monitor "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" >"$notices"
dunst_call() { call org.freedesktop.Notifications /org/freedesktop/Notifications "org.dunstproject.cmd0.$1" "${@:2}"; }
server_up() { call org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner org.freedesktop.Notifications | grep -q true; }
start_dunst() { spawn dunst_pid dunst >>"$work/dunst.log" 2>&1; within 10 server_up; }
stop_server() { kill "$1"; wait "$1" 2>/dev/null; within 5 not server_up; }
displayed() { [ "$(call org.freedesktop.Notifications /org/freedesktop/Notifications \
    org.freedesktop.DBus.Properties.Get org.dunstproject.cmd0 displayedLength)" = "(<uint32 $1>,)" ]; }
# The Notify calls so far, one line each: summary, the id replaced ("id" for any but 0), urgency.
sent() { awk '/member=Notify/{n++; a=0} /^   string|^   uint32/{a++; if (a==2) r[n]=$2?"id":0; if (a==4) s[n]=$2" "$3}
    /"urgency"/{getline; u[n]=$3} END{for (i=1;i<=n;i++) print s[i], r[i], u[i]}' "$notices"; }
sent_is() { [ "$(sent | tr '\n' ';')" = "$1" ]; }
outage() {  # lamp lit last: fails twice (yellow, red), then answers (green)
    ip netns exec "$host" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
    click_control "Test" && within 5 lamp_lit "Yellow lamp" && click_control "Test" && within 5 lamp_lit "Red lamp"
    local red=$?
    ip netns exec "$host" sysctl -qw net.ipv4.icmp_echo_ignore_all=0
    [ -z "${1:-}" ] && click_control "Test" && within 5 lamp_lit "Green lamp"
    return $red
}

echo "== Two outages, told by dunst"
start_dunst
# A tray, holding the icon alone; its double click hides the window into it.
spawn trayer_pid trayer --align right --widthtype request --SetDockType true >>"$work/trayer.log" 2>&1
hide_into_tray() {
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class trayer | head -n 1)")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click --repeat 2 1 && within 5 hidden
}
start_program
check "the window appears" within 15 visible
check "a first outage lights the red lamp" outage
check "one critical Connection lost, then one Connection restored in its place" \
    within 5 sent_is '"Connection lost" 0 2;"Connection restored" id 1;'
check "dunst shows the one entry" displayed 1
check "its default action shows the window hidden in the tray" \
    eval 'hide_into_tray && dunst_call NotificationAction 0 >/dev/null && within 5 visible'
history=$HOME/.local/share/TarnovelMon/history.sqlite
red_ms=$(sqlite3 "$history" 'SELECT at_ms FROM rounds WHERE lamp = 2 LIMIT 1')
told=$(grep -m 1 -o 'time=[0-9.]* sender=[^ ]* -> destination=org.freedesktop.Notifications' "$notices" | cut -d' ' -f1)
told=${told#time=}
echo "from the red round's send to the notice's arrival: $((${told%.*} * 1000 + 10#${told#*.} / 1000 - red_ms)) ms" \
    "(the round waits 250 ms for its answer)"
check "a second outage" outage
check "is told the same way" within 5 sent_is '"Connection lost" 0 2;"Connection restored" id 1;"Connection lost" 0 2;"Connection restored" id 1;'
dunst_call NotificationCloseAll >/dev/null
echo "dunst's history after two outages:"
dunst_call NotificationListHistory | grep -o "'\(summary\|body\|id\)': <[^>]*>" | paste -d' ' - - - | sed 's/^/    /'
check "holds the two restored" test "$(dunst_call NotificationListHistory | grep -o "'summary': <'[^']*'>" | tr '\n' ' ')" \
    = "'summary': <'Connection restored'> 'summary': <'Connection restored'> "

echo "== A server that restarts within an outage: the restored comes anew"
check "an outage" outage hold
stop_server "$dunst_pid"
start_dunst
click_control "Test"
check "gets a new Connection restored" within 5 sent_is "$(sent | head -n 4 | tr '\n' ';')\"Connection lost\" 0 2;\"Connection restored\" 0 1;"

echo "== No server, then one that never answers: the rounds keep their times"
stop_server "$dunst_pid"
check "an outage without a server" outage
check "a second one" outage
check "is logged once" test "$(grep -c 'the notification could not be shown' "$work/program.log")" = 1
/usr/bin/python3 -c 'from gi.repository import Gio, GLib
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
Gio.bus_own_name_on_connection(bus, "org.freedesktop.Notifications", 0, None, None)
bus.register_object("/org/freedesktop/Notifications", Gio.DBusNodeInfo.new_for_xml("""<node><interface
  name="org.freedesktop.Notifications"><method name="GetCapabilities"><arg type="as" direction="out"/></method>
  </interface></node>""").interfaces[0], lambda *a: None, None, None)
GLib.MainLoop().run()' & slow=$!
pids+=($slow)
within 10 server_up
check "an outage beside a server that never answers" outage
finish
