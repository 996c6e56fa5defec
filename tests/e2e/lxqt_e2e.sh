#!/usr/bin/env bash
# The real program on LXQt: Xvfb, a private session bus, openbox and lxqt-panel with its Status Notifier
# plugin alone, which draws the item's menu itself from DBusMenu. xdotool is the user's hand.
# Usage: lxqt_e2e.sh <TarnovelMon binary> <loop_gaps binary>
program=$(readlink -f "${1:?usage: lxqt_e2e.sh <TarnovelMon binary> <loop_gaps binary>}")
gaps=${2:?}
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools Xvfb openbox lxqt-panel dbus-daemon gdbus xdotool xprop ip import
make_network
start_xvfb
make_home
mkdir -p "$XDG_CONFIG_HOME/lxqt"
printf '[General]\npanels=panel1\n\n[panel1]\nplugins=statusnotifier\nposition=Top\nalignment=-1\n
[statusnotifier]\ntype=statusnotifier\n' >"$XDG_CONFIG_HOME/lxqt/panel.conf"
start_bus
start_wm() { spawn wm openbox >>"$work/wm.log" 2>&1; }
start_panel() { spawn panel lxqt-panel >>"$work/panel.log" 2>&1; }
# A right press on the panel's first icon, at the panel's left end.
panel_right_press() {
    eval "$(xdotool getwindowgeometry --shell "$(xdotool search --onlyvisible --class lxqt-panel | head -n 1)")"
    xdotool mousemove $((X + HEIGHT / 2)) $((Y + HEIGHT / 2)) click 3
}
menus_shown() { xdotool search --onlyvisible --class lxqt-panel | wc -l; }  # the panel, and its pop-ups

echo "== The menu as the panel draws it"
start_wm
start_panel
within 15 watcher_up || { cat "$work/panel.log"; exit 1; }
start_program
check "the item registers with the watcher" within 15 registered
check "its DBusMenu lists Test, History, Notify and Exit" \
    [ "$(menu_labels | tr '\n' ' ')" = "'label': <'_Test'> 'label': <'_History...'> 'label': <'_Notify'> 'label': <'_Exit'> " ]
notify_checked() { menu_layout | grep -q "'toggle-state': <1>"; }
check "Notify a check item, checked" notify_checked
check "the window is shown" within 10 visible
panel_right_press
check "a right press on the icon opens the panel's menu" within 5 [ "$(menus_shown)" = 2 ]
check "and none of the program's own: its window alone is shown" [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" = 1 ]
xdotool key e
check "the menu's Exit ends the program" within 10 ended
check "with the settings saved" saved

logon_start_before_wm_and_panel
kill -TERM "$pid"
check "SIGTERM ends the program" within 10 ended

echo "== The event loop while panels come and go, and while a watcher answers nothing"
spawn gaps_pid "$gaps" 14 >"$work/gaps.log" 2>&1
stop_panel
start_panel
sleep 3
stop_panel
spawn silent_watcher "$gaps" --silent-watcher
sleep 3
kill -KILL "$silent_watcher"
start_panel
wait "$gaps_pid"; gaps_rc=$?
check "the loop never waited on the bus: $(tail -n 1 "$work/gaps.log")" [ "$gaps_rc" = 0 ]

echo "== A watcher that takes the name over from the one there, with no gap between them"
stop_panel
spawn first_watcher "$gaps" --watcher >"$work/watcher1.log"
within 10 watcher_up
spawn tray_user "$gaps" 60 >/dev/null 2>&1
check "the first watcher gets the item" within 10 grep -q '^item ' "$work/watcher1.log"
spawn second_watcher "$gaps" --watcher >"$work/watcher2.log"
check "and the one that took its name gets it anew" within 10 grep -q '^item ' "$work/watcher2.log"
finish
