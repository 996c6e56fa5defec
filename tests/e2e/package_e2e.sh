#!/usr/bin/env bash
# The Debian package as CPack makes it from this build: lintian, its fields and files, dpkg -i, an
# ordinary user where the ping socket is closed, dpkg -r. Usage: package_e2e.sh CPACK BUILD_DIR
cpack=$1 build=$2 program=/usr/bin/TarnovelMon helper=/usr/lib/tarnovelmon/tarnovelmon-echo user=tnpkg$$
. "$(dirname "$0")/lib.sh" && e2e_setup
need_tools lintian dpkg-deb getcap setpriv useradd appstreamcli desktop-file-validate Xvfb xdotool import ip ss
[ "$(id -u)" = 0 ] || skip_or_fail "needs root to install the package"
dpkg-query -W tarnovelmon >/dev/null 2>&1 && skip_or_fail "tarnovelmon is installed on this machine"
trap 'dpkg -r tarnovelmon >/dev/null 2>&1; userdel "$user" 2>/dev/null; cleanup' EXIT
(cd "$build" && "$cpack" -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/deb/tarnovelmon_*_amd64.deb)
lintian "$deb" >"$work/lintian.log" 2>&1
check "lintian reports no error and no warning" not grep -E '^[EW]:' "$work/lintian.log"
check "Section net" test "$(dpkg-deb -f "$deb" Section)" = net
relations() { dpkg-deb -f "$deb" Depends | grep -q 'libcap2-bin.*libqt6widgets6' && test "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland; }
check "Depends on libcap2-bin and Qt, Recommends qt6-wayland" relations
files=$(dpkg-deb -c "$deb" | awk '!/^d/ { print substr($6, 2) }')
check "the program, echo helper, manual page, metainfo, help page, copyright, changelog and 9 icons" test "$(grep -cE \
    'bin/TarnovelMon$|lib/tarnovelmon/tarnovelmon-echo$|man1/TarnovelMon.1.gz$|metainfo/.*xml$|/TarnovelMon.html$|/(copyright|changelog.gz)$|hicolor/[^/]+/apps/tarnovelmon.(svg|png)$' \
    <<<"$files")" = 16
check "dpkg -i installs it" dpkg -i "$deb"
check "the program has no capability" test -z "$(getcap $program)"
check "the echo helper has cap_net_raw=ep" grep -q 'cap_net_raw=ep' <<<"$(getcap $helper)"
check "its desktop entry is valid" desktop-file-validate /usr/share/applications/tarnovelmon.desktop
check "its metainfo is valid" appstreamcli validate --no-net /usr/share/metainfo/com.kestrune.tarnovelmon.metainfo.xml

echo "== An ordinary user, logon start registered, the ping socket closed"
useradd -M -d "$work/home" -s /usr/sbin/nologin "$user"
chmod 711 "$work"
make_network
ip netns exec "$ns" sysctl -qw net.ipv4.ping_group_range="1 0"
start_xvfb
make_home
register_logon_start
chown -R "$user:" "$work/home" "$work/runtime"
cp "$settings" "$work/settings.ini"
start_program setpriv --reuid="$user" --regid="$user" --init-groups
check "its window shows (no tray here)" within 15 visible
check "it monitors the test host: the green lamp lights" within 15 green_lamp_painted
caps=$(awk '/^Cap(Inh|Prm|Eff):/ { print $2 }' /proc/"$pid"/task/*/status | sort -u | tr '\n' ' ')
check "no thread has a capability left (CapInh, CapPrm, CapEff: $caps)" test "$caps" = "0000000000000000 "
echo=$(ps --ppid "$pid" -o pid= | tr -d ' ')
raw=$(ip netns exec "$ns" ss -Hwap)
helper_alone_raw() { ! grep -q "pid=$pid," <<<"$raw" && grep -q "pid=$echo," <<<"$raw"; }
check "the window's process holds no raw socket, its echo helper one" helper_alone_raw
check "the echo helper has no capability and can gain none" test "$(grep -cE \
    '^(Cap(Inh|Prm|Eff|Amb):\s+0{16}|NoNewPrivs:\s+1)$' /proc/"$echo"/status)" = 5
check "the echo helper maps no Qt library" not grep -q libQt /proc/"$echo"/maps
check "the echo helper got none of the user's environment" test ! -s /proc/"$echo"/environ
kill -TERM "$pid"
# Minimised (no tray), it keeps no window position; a save rewrites the file with its keys in order.
rewritten() { ended && ! cmp -s "$settings" "$work/settings.ini"; }
check "SIGTERM ends it, with the settings saved" within 10 rewritten
check "dpkg -r removes it" dpkg -r tarnovelmon
check "none of its files is left" test -z "$(for f in $files; do [ -e "$f" ] && echo "$f"; done)"
check "the user's settings stay" test -s "$settings"
finish
