#!/usr/bin/env bash
# The real program as a native Wayland client of weston's headless back end: its window maps with its
# caption, and SIGTERM saves the settings, leaving the stored position (here off every screen, which
# X11 would correct) to the compositor.
# Usage: wayland_e2e.sh <TarnovelMon binary>
program=$(readlink -f "${1:?usage: wayland_e2e.sh <TarnovelMon binary>}")
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools weston
make_home
unset DISPLAY DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM
printf '[Settings]\nsite0=127.0.0.1\nsite1=127.0.0.1\nfrmPingLeft=150000\nfrmPingTop=150000\n' >"$settings"
spawn weston weston --backend=headless-backend.so --socket=tn-wayland --idle-time=0 >"$work/weston.log" 2>&1
within 10 test -S "$XDG_RUNTIME_DIR/tn-wayland" || { cat "$work/weston.log"; exit 1; }
spawn pid env WAYLAND_DISPLAY=tn-wayland XDG_SESSION_TYPE=wayland WAYLAND_DEBUG=client "$program" >"$work/program.log" 2>&1
logged() { grep -Eq "$1" "$work/program.log"; }
mapped() { logged 'ack_configure' && logged 'wl_surface@[0-9]+\.attach\(wl_buffer'; }
check "the window takes its caption" within 15 logged "xdg_toplevel@[0-9]+\.set_title\(\"$caption\"\)"
check "and maps: the configure is answered and a picture attached" within 10 mapped
kill -TERM "$pid"
check "SIGTERM ends the program" within 10 ended
check "with the settings saved" saved
untouched() { grep -qx frmPingLeft=150000 "$settings" && grep -qx frmPingTop=150000 "$settings"; }
check "and the stored position untouched" untouched
finish
