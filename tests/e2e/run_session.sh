#!/usr/bin/env bash
# The real program under Xvfb, started at logon (minimised: no tray), in a session of our own session
# manager: a save writes the settings and the program goes on; die ends it through its unload.
# Usage: run_session.sh <TarnovelMon binary> <session_manager tool>
set -u
skip_or_fail() {
    if [ "${CI:-}" = "true" ] || [ "${TN_NO_SKIP:-}" = "1" ]; then echo "FAILED: $1" >&2; exit 1; fi
    echo "SKIPPED: $1"
    exit 0
}
command -v Xvfb >/dev/null 2>&1 || skip_or_fail "Xvfb is not installed"
[ -x "${2:-}" ] || skip_or_fail "the session manager was not built (libsm-dev, libice-dev)"
[ -n "${DISPLAY_OF_TEST:-}" ] || DISPLAY_OF_TEST=1 exec bash "$(dirname "$0")/../../tools/with-xvfb.sh" bash "$0" "$@"
program=$(readlink -f "$1")
work=$(mktemp -d)
pid=
trap 'kill -KILL $pid 2>/dev/null; rm -rf "$work"' EXIT
check() { if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; cat "$work/log"; exit 1; fi; }
within() { for _ in $(seq $(($1 * 10))); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
heard() { local line; read -r -t "$2" line <&"${sm[0]}" && [ "$line" = "$1" ]; }  # line, seconds
settings_saved() { grep -qs '^level0=75$' "$XDG_CONFIG_HOME/TarnovelMon/TarnovelMon.ini"; }

export HOME="$work" XDG_CONFIG_HOME="$work/.config"
unset DBUS_SESSION_BUS_ADDRESS
mkdir -p "$XDG_CONFIG_HOME/TarnovelMon" "$XDG_CONFIG_HOME/autostart"
printf '[Settings]\nsite0=127.0.0.1\nsite1=127.0.0.1\n' >"$XDG_CONFIG_HOME/TarnovelMon/TarnovelMon.ini"
printf '[Desktop Entry]\nType=Application\nName=TarnovelMon\nExec=%s\n' "$program" \
    >"$XDG_CONFIG_HOME/autostart/TarnovelMon.exe.desktop"

coproc sm { exec "$2"; }
read -r -t 5 id <&"${sm[0]}" || check "the session manager starts" false
SESSION_MANAGER=$id "$program" >"$work/log" 2>&1 &
pid=$!
check "the program registers with the session manager" heard registered 15
echo save >&"${sm[1]}"
check "it answers a save" heard saved 10
check "the save wrote the settings" settings_saved
sleep 3
check "and the program goes on" kill -0 "$pid"
rm "$XDG_CONFIG_HOME/TarnovelMon/TarnovelMon.ini"
echo die >&"${sm[1]}"
check "die ends the program" within 10 eval '! kill -0 $pid 2>/dev/null'
check "through its unload, which saved the settings" settings_saved
