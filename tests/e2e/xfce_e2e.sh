#!/usr/bin/env bash
# The real program on an Xfce desktop: Xvfb, a private session bus, xfwm4 and xfce4-panel, whose tray
# is a StatusNotifierItem host and an XEmbed tray. gdbus is the panel's and the user's hand on the item.
# Usage: xfce_e2e.sh <TarnovelMon binary>
program=$(readlink -f "${1:?usage: xfce_e2e.sh <TarnovelMon binary>}")
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools Xvfb xfwm4 xfce4-panel dbus-daemon gdbus xdotool xprop ip
make_network
start_xvfb
make_home
# One panel, with the tray.
panel_xml="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml"
mkdir -p "$(dirname "$panel_xml")"
cat >"$panel_xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array"><value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty"><property name="plugin-1" type="string" value="systray"/></property>
</channel>
XML
start_bus
start_wm() { spawn wm xfwm4 >>"$work/xfwm4.log" 2>&1; }
start_wm
start_panel() { spawn panel xfce4-panel >>"$work/panel.log" 2>&1; }

tip_is_ok() { property ToolTip | grep -Eq "'[0-9]{2}:[0-9]{2}:[0-9]{2} - TN OK'"; }
# Every pixmap of the icon in the given colour bytes only (sharp, not scaled), one of them 44 pixels.
pixmaps_in() {
    local p
    p=$(property IconPixmap)
    grep -q '(44, 44,' <<<"$p" && [ -z "$(grep -o '0x[0-9a-f]*' <<<"$p" | grep -Ev "^0x($1)\$")" ]
}
outer_size() {  # width x height of the window with its frame
    local w e
    w=$(window)
    e=($(xprop -id "$w" _NET_FRAME_EXTENTS | grep -o '[0-9]\+'))
    eval "$(xdotool getwindowgeometry --shell "$w")"
    echo "$((WIDTH + e[0] + e[1]))x$((HEIGHT + e[2] + e[3]))"
}
design_size() { [ "$(outer_size)" = 1068x752 ]; }

echo "== Started after the panel"
start_panel
within 15 watcher_up || { cat "$work/panel.log"; exit 1; }
start_program
check "the item registers with the watcher" within 15 registered
check "the window is shown" within 10 visible
press ContextMenu
sleep 1
xdotool key t
check "ContextMenu pops up the tray menu; its Test reaches the host: the tip says OK" within 10 tip_is_ok
check "and the icon is the green picture" pixmaps_in "00|ff"
press ContextMenu
sleep 1
xdotool key e
check "the menu's Exit ends the program" within 10 ended
check "with the settings saved" saved

logon_start_before_wm_and_panel
press SecondaryActivate
sleep 1
check "SecondaryActivate does nothing" hidden
press Activate
check "Activate restores the window" within 10 visible
kill "$panel"
sleep 1
start_panel
check "a killed and restarted panel gets the icon back" within 10 registered
kill -TERM "$pid"
check "SIGTERM ends the program" within 10 ended

echo "== A logon start with no panel: minimised; restored by the user, it stays when the panel comes"
stop_panel
start_program
check "the window is minimised" within 10 minimised
xdotool windowactivate "$(xdotool search --name "^$caption\$" | head -n 1)"
check "and restored by the user (a pager's activation)" within 10 visible
start_panel
check "the panel gets the icon" within 10 registered
sleep 1
check "and the window stays shown" visible
kill -TERM "$pid"
within 10 ended

echo "== At twice the density"
rm -f "$XDG_CONFIG_HOME/autostart/TarnovelMon.exe.desktop"
start_program QT_SCALE_FACTOR=2
check "the window keeps its design's outer size" within 15 design_size
check "the tray's pixmaps are drawn sharp at every size" within 10 pixmaps_in "00|c0|ff"
finish
