#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz targets for a bounded number of runs.
# Usage: bash tools/test.sh   (as root, or as a user with sudo for the package installs; the tests that
# create network namespaces need root and are skipped otherwise).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
tn_install_packages "${TN_BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev \
    clang libclang-rt-14-dev iproute2 iputils-ping xvfb trayer xdotool x11-utils desktop-file-utils imagemagick \
    dbus-daemon libglib2.0-bin xfwm4 xfce4-panel lxqt-panel openbox libsm-dev libice-dev weston \
    at-spi2-core python3-pyatspi python3-gi qt6ct dunst dbus-bin \
    "${TN_PACKAGE_PACKAGES[@]}" lintian appstream libcap2-bin sqlite3

jobs=$(nproc)
total_passed=0
total_failed=0

run_ctest() {  # build-dir
    local log
    log=$(mktemp)
    local rc=0
    (cd "$1" && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 | tee "$log" || rc=$?
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
    if [ -n "$line" ]; then
        local failed total
        failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
        total_passed=$((total_passed + total - failed))
        total_failed=$((total_failed + failed))
    else
        total_failed=$((total_failed + 1))
    fi
    rm -f "$log"
    return $rc
}

status=0

echo "== Build (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTN_WERROR=ON >/dev/null
cmake --build build -j "$jobs"
echo "== Tests"
run_ctest build || status=1

echo "== Screenshots (under Xvfb) into build/screenshots"
if bash tools/with-xvfb.sh ./build/tests/mainwindow/screenshot_tool build/screenshots; then
    total_passed=$((total_passed + 1))
else
    total_failed=$((total_failed + 1)); status=1
fi

echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTN_WERROR=ON -DTN_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== Tests under the sanitizers"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_ctest build-asan || status=1

echo "== Fuzz targets (bounded runs)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DTN_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$jobs"
for target in number icmp echo_request; do
    corpus=$(mktemp -d)
    cp -r "tests/fuzz/corpus_$target/." "$corpus/" 2>/dev/null || true
    if ./build-fuzz/fuzz_$target -runs=300000 -max_len=512 -seed=1 "$corpus" >"build-fuzz/fuzz_$target.log" 2>&1; then
        echo "fuzz_$target: passed ($(grep -Eo 'Done [0-9]+ runs' "build-fuzz/fuzz_$target.log" | tail -n 1))"
        total_passed=$((total_passed + 1))
    else
        echo "fuzz_$target: FAILED"; tail -n 40 "build-fuzz/fuzz_$target.log"
        total_failed=$((total_failed + 1)); status=1
    fi
    rm -rf "$corpus"
done

echo
echo "tests: $total_passed passed, $total_failed failed"
exit $status
