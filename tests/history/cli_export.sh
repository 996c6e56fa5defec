#!/usr/bin/env bash
# The program's options with no display: --help and --version print and end, a bad option or date ends
# with one line and status 2, and --export-history writes a file made by the sqlite3 program as CSV,
# leaving that file byte for byte as it was. Usage: cli_export.sh PROGRAM VERSION
set -u
program=$1 version=$2 failed=0
dir=$(mktemp -d) && trap 'rm -rf "$dir"' EXIT
export XDG_DATA_HOME=$dir TZ=UTC0
unset DISPLAY WAYLAND_DISPLAY
check() { [ "$2" = "$3" ] || { echo "FAILED: $1: got [$2], wanted [$3]"; failed=1; }; }
check "--help" "$("$program" --help | head -n 1; echo "status ${PIPESTATUS[0]}")" \
    $'Usage: TarnovelMon [--export-history FILE [--since YYYY-MM-DD]] [--help] [--version]\nstatus 0'
check "--version" "$("$program" --version; echo "status $?")" "TarnovelMon $version"$'\nstatus 0'
for bad in "--since 2026-02-30 --export-history -" "--export-history" "--export-history=" "--since 2026-01-01" \
    "--export-history - -x" "--export-history - --since"; do
    # shellcheck disable=SC2086
    check "$bad" "$("$program" $bad 2>&1 >/dev/null | wc -l; echo "status ${PIPESTATUS[0]}")" $'1\nstatus 2'
done
header="time,site,host,address,status,rtt_ms,lamp,shade"
check "nothing recorded yet" "$("$program" --export-history - | od -c)" "$(printf '%s\r\n' "$header" | od -c)"
mkdir -m 700 "$dir/TarnovelMon"
db=$dir/TarnovelMon/history.sqlite
sqlite3 "$db" "PRAGMA journal_mode=WAL; CREATE TABLE rounds(at_ms INTEGER NOT NULL, site INTEGER NOT NULL,
    host TEXT NOT NULL, address TEXT NOT NULL, status INTEGER NOT NULL, rtt_ms INTEGER, lamp INTEGER NOT NULL,
    shade INTEGER); PRAGMA user_version = 1;
    INSERT INTO rounds VALUES (1796774399999, 0, 'a', '192.0.2.1', 0, 9, 0, 1),
        (1796774400000, 1, 'b \"x\", y', '192.0.2.2', 11010, NULL, 2, NULL),
        (1796774460123, 0, 'a', '192.0.2.1', 0, 250, 0, 4);" >/dev/null
before=$(md5sum "$db")
want=$(printf '%s\r\n' "$header" '2026-12-09T00:00:00.000Z,1,"b ""x"", y",192.0.2.2,11010,,2,' \
    "2026-12-09T00:01:00.123Z,0,a,192.0.2.1,0,250,0,4" | od -c)
check "export since a date" "$("$program" --export-history - --since 2026-12-09 | od -c)" "$want"
"$program" --export-history="$dir/out.csv"
check "export to a file" "$(wc -l <"$dir/out.csv") $(grep -c $'\r$' "$dir/out.csv")" "4 4"
check "the file untouched" "$(md5sum "$db")" "$before"
[ $failed = 0 ] && echo "cli_export: passed"
exit $failed
