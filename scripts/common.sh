# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

REPO_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian/Ubuntu packages the build needs, Wine's Tahoma (fonts-wine), the font the window's
# places were laid out for (without it the window falls back to DejaVu Sans), and Qt's
# translations (qt6-translations-l10n), whose Russian one the program loads for Qt's own
# buttons and dialogs.
TARNBOOK_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev
                   fonts-dejavu-core fonts-wine qt6-translations-l10n)
# What the tests need besides: the X server, window manager and X tools of the end-to-end
# tests (tests/e2e), the accessibility bus and its Python bindings of the screen reader tests
# (tests/e2e/atspi_e2e.py), the screen reader Orca that tests/e2e/orca_e2e.py listens to, and
# the MinGW-w64 compiler that checks the Windows code (tests/windows), and Qt's private headers,
# with which a window test wakes the accessibility bridge as a screen reader does.
TARNBOOK_TEST_PACKAGES=(qt6-base-private-dev python3 xvfb openbox xclip xdotool wmctrl x11-utils x11-apps
                        at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus-x11 x11-xkb-utils
                        orca g++-mingw-w64-x86-64-posix)

install_missing_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

# configure_and_build BUILD_DIR [extra cmake args...]
configure_and_build() {
    local build_dir="$1"
    shift
    cmake -S "$REPO_DIR" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build_dir" --parallel "$(nproc)"
}
