# Installs the Debian packages named as arguments that are not installed yet.
# Sourced by the run and test scripts; uses sudo when not run as root.
tn_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing Debian packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -q || return 1
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# What building the program needs.
TN_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libsqlite3-dev qt6-base-dev qt6-wayland libxcb-xfixes0-dev libgl-dev fonts-liberation2)

# What building the Debian package needs (dpkg-shlibdeps and dpkg-buildflags, file for CPack).
TN_PACKAGE_PACKAGES=(dpkg-dev file)
