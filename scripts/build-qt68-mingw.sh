#!/usr/bin/env bash
# Builds Qt 6.8.2 LTS (qtbase: Core, Gui, Widgets, Network, Test, the Windows platform plugin and
# styles) for Windows x64 with Debian 12's MinGW-w64 (posix threads), from Debian 13's (trixie)
# source package qt6-base 6.8.2+dfsg with Debian's patches applied (its security fixes included).
# A cross build needs host tools of its own version, so a host qtbase without GUI (moc, rcc, uic,
# the CMake tool packages) is built first from the same source.
#   build-qt68-mingw.sh PREFIX [WORKDIR]
# Writes PREFIX/qt6-host-6.8.2 (the host tools) and PREFIX/qt6-mingw-6.8.2 (Qt for Windows).
# About 20 minutes for the host tools and 30 for Windows on two idle cores. Needs root (apt-get,
# and the MinGW-w64 headers swapped below). A scratch folder made here is removed at the end,
# failed or not; one given as WORKDIR is left to its caller.
set -euo pipefail
prefix=${1:?install prefix}
if [ -n "${2:-}" ]; then work=$2; own_work=0; else work=$(mktemp -d); own_work=1; fi
cleanup() { [ "$own_work" = 0 ] || rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$prefix"; prefix=$(cd "$prefix" && pwd)
export DEBIAN_FRONTEND=noninteractive
apt-get install -y --no-install-recommends g++ g++-mingw-w64-x86-64-posix ninja-build cmake \
  dpkg-dev xz-utils >/dev/null
cd "$work"
# Trixie's source index in a private apt state folder: the system's package lists stay as they are.
lists="$work/apt-lists"; mkdir -p "$lists/partial"
uri=$(grep -rhs '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1 | awk '{print $2}')
[ -n "$uri" ] || uri=$(grep -hs '^deb ' /etc/apt/sources.list | head -n 1 | awk '{print $2}')
printf 'deb %s trixie main\ndeb-src %s trixie main\n' "${uri:?no Debian archive URI found}" "$uri" >"$work/trixie.list"
apt_t() { apt-get -o Dir::Etc::sourcelist="$work/trixie.list" -o Dir::Etc::sourceparts=- \
  -o Dir::State::Lists="$lists" "$@"; }
apt_t update >/dev/null
apt_t source --download-only qt6-base=6.8.2+dfsg-9+deb13u2 >/dev/null
dpkg-source -x qt6-base_6.8.2+dfsg-9+deb13u2.dsc src >/dev/null

host="$prefix/qt6-host-6.8.2"
mkdir -p host-build && cd host-build
# Only the tools: no GUI, no network, nothing the cross build does not run on this machine.
../src/configure -prefix "$host" -release -nomake examples -nomake tests \
  -no-gui -no-widgets -no-dbus -no-icu -no-openssl -no-feature-sql -no-feature-network \
  -no-feature-concurrent -no-feature-testlib -no-feature-xml -no-feature-brotli -no-glib \
  -no-feature-zstd -qt-zlib -qt-pcre >/dev/null
cmake --build . --parallel "$(nproc)" >/dev/null
cmake --install . >/dev/null
cd ..

# Debian 12's MinGW-w64 (v10) lacks most UI Automation provider interfaces and the import of
# UiaRaiseNotificationEvent, which Qt 6.8's Windows accessibility needs (Qt 6.4 carried its own
# copies), and one of its headers names a parameter `new`. Debian 13's MinGW-w64 v12 has them:
# its four uiautomation headers and libuiautomationcore.a stand in for the system's during this
# build and the system's are put back afterwards.
apt_t download mingw-w64-common mingw-w64-x86-64-dev >/dev/null
mkdir -p mgw12 && for d in mingw-w64-common_*_all.deb mingw-w64-x86-64-dev_*_all.deb; do dpkg-deb -x "$d" mgw12; done
inc=/usr/share/mingw-w64/include; lib=/usr/x86_64-w64-mingw32/lib; keep="$work/mingw-kept"; mkdir -p "$keep"
uia="uiautomation.h uiautomationclient.h uiautomationcore.h uiautomationcoreapi.h"
for h in $uia; do cp "$inc/$h" "$keep/$h"; done
had_lib=0; [ -f "$lib/libuiautomationcore.a" ] && { cp "$lib/libuiautomationcore.a" "$keep/"; had_lib=1; }
restore() { for h in $uia; do cp "$keep/$h" "$inc/$h"; done
  if [ "$had_lib" = 1 ]; then cp "$keep/libuiautomationcore.a" "$lib/"; else rm -f "$lib/libuiautomationcore.a"; fi; }
trap 'restore; cleanup' EXIT
for h in $uia; do cp "mgw12/usr/share/mingw-w64/include/$h" "$inc/$h"; done
cp mgw12/usr/x86_64-w64-mingw32/lib/libuiautomationcore.a "$lib/"

mkdir -p target-build && cd target-build
# Debian's repack drops the bundled Wintab header (no tablet events; Tarnbook has no use for them).
# GCC 12 for Windows stops with an internal error on -fstack-clash-protection (SEH unwind), and
# -fstack-protector needs libssp at link time: both hardening features are off, as in Qt 6.4.
# The host's libraries must not leak into a Windows build (find root path ONLY).
../src/configure -prefix "$prefix/qt6-mingw-6.8.2" -release -xplatform win32-g++ \
  -device-option CROSS_COMPILE=x86_64-w64-mingw32- -qt-host-path "$host" \
  -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-openssl -no-fontconfig \
  -no-feature-vulkan -no-feature-brotli -no-feature-sql -no-feature-printsupport -no-feature-tabletevent \
  -no-feature-zstd -no-feature-stack_clash_protection -no-feature-stack_protector \
  -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-harfbuzz -qt-freetype \
  -- -DQT_HOST_PATH_CMAKE_DIR="$host/lib/cmake" -DCMAKE_SYSTEM_NAME=Windows \
     -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix \
     -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32 \
     -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
     -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY >/dev/null
cmake --build . --parallel "$(nproc)" >/dev/null
cmake --install . >/dev/null
echo "Qt 6.8.2 for Windows in $prefix/qt6-mingw-6.8.2, its host tools in $host"
