#!/usr/bin/env bash
# Builds the Debian package dist/tarnovelmon_<version>_amd64.deb with CPack's DEB generator, in a build
# folder of its own (build-package) with Debian's build flags. Usage: bash tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
tn_install_packages "${TN_BUILD_PACKAGES[@]}" "${TN_PACKAGE_PACKAGES[@]}"
build=build-package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS) \
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target TarnovelMon tn_icons tn_help_page tn_package_files
rm -rf "$build/deb"
(cd "$build" && cpack -G DEB -B deb)
mkdir -p dist
rm -f dist/tarnovelmon_*_amd64.deb
cp "$build"/deb/tarnovelmon_*_amd64.deb dist/
ls dist/tarnovelmon_*_amd64.deb
