#!/usr/bin/env bash
# The real program under Xvfb, started at logon (minimised: no tray), in a session of our own session
# manager: a save writes the settings and the program goes on; die ends it through its unload.
# Usage: run_session.sh <TarnovelMon binary> <session_manager tool>
program=$(readlink -f "${1:?usage: run_session.sh <TarnovelMon binary> <session_manager tool>}")
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools Xvfb
[ -x "${2:-}" ] || skip_or_fail "the session manager was not built (libsm-dev, libice-dev)"
start_xvfb
make_home
unset DBUS_SESSION_BUS_ADDRESS
printf '[Settings]\nsite0=127.0.0.1\nsite1=127.0.0.1\n' >"$settings"
register_logon_start
heard() { local line; read -r -t "$2" line <&"${sm[0]}" && [ "$line" = "$1" ]; }  # line, seconds
settings_saved() { grep -qs '^level0=75$' "$settings"; }

coproc sm { exec "$2"; }
pids+=("$sm_PID")
read -r -t 5 id <&"${sm[0]}" || { echo "FAILED: the session manager did not start"; exit 1; }
spawn pid env SESSION_MANAGER="$id" QT_QPA_PLATFORM=xcb "$program" >"$work/program.log" 2>&1
check "the program registers with the session manager" heard registered 15
echo save >&"${sm[1]}"
check "it answers a save" heard saved 10
check "the save wrote the settings" settings_saved
sleep 3
check "and the program goes on" running
rm "$settings"
echo die >&"${sm[1]}"
check "die ends the program" within 10 ended
check "through its unload, which saved the settings" settings_saved
finish
