#!/usr/bin/env bash
# Installs a build tree into a temporary prefix and checks what lands there: the program, its help page
# where the program looks for it, the icons as PNG images of their sizes, and the desktop entry, which
# desktop-file-validate must accept.
#
# Usage: check_install.sh CMAKE BUILD_DIR ICON_TOOL BINDIR DATADIR SIZE...
# Without desktop-file-validate (package desktop-file-utils) the test reports SKIPPED, unless CI=true or
# TN_NO_SKIP=1, where it fails.
set -u

if [ $# -lt 6 ]; then
    echo "usage: $0 CMAKE BUILD_DIR ICON_TOOL BINDIR DATADIR SIZE..." >&2
    exit 2
fi
cmake=$1
build=$2
icon_tool=$3
bindir=$4
datadir=$5
shift 5
sizes=("$@")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() {
    echo "FAIL: $*"
    failed=$((failed + 1))
}
check() {  # description command...
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}

# PNG: the signature, an IHDR chunk first with the width and height, an IEND chunk last.
png_size() {  # file -> "width height"
    local head
    head=$(od -An -tx1 -N16 "$1" | tr -d ' \n')
    [ "$head" = "89504e470d0a1a0a0000000d49484452" ] || return 1
    [ "$(tail -c 12 "$1" | od -An -tx1 | tr -d ' \n')" = "0000000049454e44ae426082" ] || return 1
    od -An -tu4 --endian=big -j16 -N8 "$1" | awk '{ print $1, $2 }'
}

for dir in "$bindir" "$datadir"; do
    case $dir in
        /*) echo "FAIL: install folder $dir is absolute: it would not go below the test's prefix"; exit 1 ;;
    esac
done

echo "Installing $build into a temporary prefix"
if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install failed"
    exit 1
fi

# The build folder: the help page next to the program, where a program run from there finds it.
check "the build folder has no program $build/TarnovelMon" test -x "$build/TarnovelMon"
check "the build folder has no help page next to the program" test -f "$build/TarnovelMon.html"

# The program.
program=$prefix/$bindir/TarnovelMon
check "no executable program at $bindir/TarnovelMon" test -f "$program" -a -x "$program"
if [ -f "$program" ]; then
    check "$bindir/TarnovelMon is not an ELF executable" \
        test "$(od -An -tx1 -N4 "$program" | tr -d ' \n')" = "7f454c46"
fi

# The echo helper, where the program looks for it from its own folder.
check "the build folder has no echo helper next to the program" test -x "$build/tarnovelmon-echo"
check "the program would not find its echo helper at ../lib/tarnovelmon/ from $bindir" \
    test -x "$prefix/$bindir/../lib/tarnovelmon/tarnovelmon-echo"

# The help page, installed and where the program looks for it from its own folder.
help=$prefix/$datadir/tarnovelmon/TarnovelMon.html
check "no help page at $datadir/tarnovelmon/TarnovelMon.html" test -f "$help"
check "the program would not find its help page at ../share/tarnovelmon/ from $bindir" \
    test -f "$prefix/$bindir/../share/tarnovelmon/TarnovelMon.html"
if [ -f "$help" ]; then
    check "the installed help page differs from docs/help/TarnovelMon.html in the build" \
        cmp -s "$help" "$build/TarnovelMon.html"
    check "the help page has no section for the window's help context (id=\"context-500\")" \
        grep -q 'id="context-500"' "$help"
    # Self-contained: nothing loaded from elsewhere, every link within the page lands on a section.
    if grep -Eiq '<(link|script|img|iframe|object|embed)[^>]*(src|href)=|url\(' "$help"; then
        fail "the help page loads outside resources"
    else
        pass
    fi
    targets=$(grep -o 'href="#[^"]*"' "$help" | sed -E 's/^href="#(.*)"$/\1/' | sort -u)
    check "the help page has no contents linking to its sections" test -n "$targets"
    for target in $targets; do
        check "the help page links to #$target, which no element has as its id" grep -q "id=\"$target\"" "$help"
    done
fi

# The icons: one PNG per size and no others (beside the scalable SVG), each of its size, each the dial
# as drawn now.
icons=$prefix/$datadir/icons/hicolor
for size in "${sizes[@]}"; do
    icon=$icons/${size}x${size}/apps/tarnovelmon.png
    if [ ! -f "$icon" ]; then
        fail "no icon at $datadir/icons/hicolor/${size}x${size}/apps/tarnovelmon.png"
        continue
    fi
    got=$(png_size "$icon") || got="not a PNG file"
    check "the ${size}x${size} icon is $got" test "$got" = "$size $size"
done
count=$(find "$icons" -type f -name "*.png" 2>/dev/null | wc -l)
check "$count PNG icon files installed, expected ${#sizes[@]}" test "$count" -eq "${#sizes[@]}"
if QT_QPA_PLATFORM=offscreen "$icon_tool" check "$icons" "${sizes[@]}"; then
    pass
else
    fail "the installed icons are not the dial as the program draws it"
fi

# The desktop entry: its program and icon are the installed ones.
entry=$prefix/$datadir/applications/tarnovelmon.desktop
check "no desktop entry at $datadir/applications/tarnovelmon.desktop" test -f "$entry"
if [ -f "$entry" ]; then
    exec_value=$(sed -n 's/^Exec=//p' "$entry")
    icon_value=$(sed -n 's/^Icon=//p' "$entry")
    check "the desktop entry runs \"$exec_value\", not the installed program" \
        test -x "$prefix/$bindir/${exec_value%% *}"
    check "the desktop entry's icon \"$icon_value\" is not the installed icon" \
        test -f "$icons/${sizes[0]}x${sizes[0]}/apps/$icon_value.png"
fi

echo "install_tree: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ] || exit 1

if ! command -v desktop-file-validate >/dev/null 2>&1; then
    if [ "${CI:-}" = "true" ] || [ "${TN_NO_SKIP:-}" = "1" ]; then
        echo "FAIL: desktop-file-validate is not installed (package desktop-file-utils)"
        exit 1
    fi
    echo "SKIPPED: desktop-file-validate is not installed (package desktop-file-utils)"
    exit 0
fi
# Hints count too: one says, for example, that the entry would land in no menu section of its own.
remarks=$(desktop-file-validate "$entry" 2>&1)
status=$?
if [ $status -ne 0 ] || [ -n "$remarks" ]; then
    printf '%s\n' "$remarks"
    echo "FAIL: desktop-file-validate does not accept the desktop entry without remarks"
    exit 1
fi
echo "install_tree: desktop-file-validate accepts the desktop entry"
