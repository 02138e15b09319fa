#!/usr/bin/env bash
# Tarnbook for Windows x64, made on Debian: installs what is missing, finds or builds Qt for
# MinGW-w64, cross-builds the program and its tests with warnings as errors, writes the
# portable zip and the installer, and runs the test suite and the end-to-end tests under Wine.
# Exits non-zero when any step or any test fails.
#
#   WIN_BUILD_DIR        build folder (default build-win)
#   TARNBOOK_QT_MINGW    a Qt 6.4 for MinGW-w64 to use as it is (its lib/cmake/Qt6 is looked for)
#   QT_MINGW_TARBALL     a ready Qt tarball to unpack when no Qt is found (default: the one in
#                        ../shared/qt6-mingw beside the repository, when it is there)
#   TARNBOOK_CACHE       where a Qt unpacked or built here is kept (default ~/.cache/tarnbook)
#   WINDOWS_TESTS=0      build and package only
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

QT_VERSION=6.4.2
WIN_BUILD_DIR="${WIN_BUILD_DIR:-$REPO_DIR/build-win}"
TARNBOOK_CACHE="${TARNBOOK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnbook}"
QT_MINGW_TARBALL="${QT_MINGW_TARBALL:-$REPO_DIR/../shared/qt6-mingw/qt6-base-$QT_VERSION-mingw-w64-x86_64.tar.xz}"
MINGW_CXX=x86_64-w64-mingw32-g++-posix

stage_start=$SECONDS
note() { echo "== [$((SECONDS - stage_start))s] $*"; }

# The cross compiler and Debian's own Qt tools (moc, rcc, uic run on the build machine), Wine
# for the tests, NSIS for the installer, and what the end-to-end test drives the window with.
install_missing_packages cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev \
    qt6-base-dev-tools wine64 wine nsis zip unzip python3 xvfb openbox xclip xdotool wmctrl \
    x11-utils x11-apps locales fonts-wine

# ---- Qt for MinGW -------------------------------------------------------------------------

is_qt_mingw() { [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/bin/Qt6Core.dll" ]; }

find_qt_mingw() {
    local cached="$TARNBOOK_CACHE/qt6-mingw-$QT_VERSION"
    if [ -n "${TARNBOOK_QT_MINGW:-}" ]; then
        is_qt_mingw "$TARNBOOK_QT_MINGW" || { echo "No Qt for MinGW in $TARNBOOK_QT_MINGW" >&2; exit 1; }
        return
    fi
    TARNBOOK_QT_MINGW="$cached"
    is_qt_mingw "$cached" && return
    rm -rf "$cached"
    mkdir -p "$TARNBOOK_CACHE"
    if [ -f "$QT_MINGW_TARBALL" ]; then
        note "unpacking the ready Qt $QT_VERSION for MinGW from $QT_MINGW_TARBALL"
        tar -xJf "$QT_MINGW_TARBALL" -C "$TARNBOOK_CACHE"
    else
        note "building Qt $QT_VERSION for MinGW from Debian's source (about 20 minutes on two cores)"
        local work
        work="$(mktemp -d)"
        bash "$REPO_DIR/scripts/build-qt-mingw.sh" "$cached" "$work"
        rm -rf "$work"
    fi
    is_qt_mingw "$cached" || { echo "Qt for MinGW did not land in $cached" >&2; exit 1; }
}

find_qt_mingw
export TARNBOOK_QT_MINGW
note "Qt for MinGW: $TARNBOOK_QT_MINGW"

# ---- the cross build ----------------------------------------------------------------------

note "cross build in $WIN_BUILD_DIR"
cmake -S "$REPO_DIR" -B "$WIN_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TARNBOOK_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_CXX_COMPILER="$MINGW_CXX" \
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$REPO_DIR/scripts/wine-run.sh" \
    -DTARNBOOK_WERROR=ON
cmake --build "$WIN_BUILD_DIR" --parallel "$(nproc)"

# ---- the portable zip and the installer ---------------------------------------------------

VERSION="$(sed -n 's/^project(Tarnbook VERSION \([0-9.]*\).*/\1/p' "$REPO_DIR/CMakeLists.txt")"
NAME="Tarnbook-$VERSION-win64"
STAGE="$WIN_BUILD_DIR/stage/$NAME"
MINGW_RUNTIME="$(dirname "$($MINGW_CXX -print-libgcc-file-name)")"

# A text for Windows' Notepad: UTF-8 with its mark, CR LF; @VERSION@ becomes the version.
windows_text() { printf '\xEF\xBB\xBF'; sed "s/@VERSION@/$VERSION/; s/\$/\r/" "$1"; }

note "staging $NAME"
rm -rf "$WIN_BUILD_DIR/stage"
mkdir -p "$STAGE/platforms" "$STAGE/styles"
cp "$WIN_BUILD_DIR/tarnbook.exe" "$STAGE/"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do
    cp "$TARNBOOK_QT_MINGW/bin/$dll.dll" "$STAGE/"
done
cp "$TARNBOOK_QT_MINGW/plugins/platforms/qwindows.dll" "$STAGE/platforms/"
cp "$TARNBOOK_QT_MINGW/plugins/styles/qwindowsvistastyle.dll" "$STAGE/styles/"
cp "$MINGW_RUNTIME/libstdc++-6.dll" "$MINGW_RUNTIME/libgcc_s_seh-1.dll" \
   /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$STAGE/"
x86_64-w64-mingw32-strip "$STAGE"/*.dll "$STAGE"/*.exe "$STAGE"/*/*.dll
cp "$REPO_DIR/examples/staff.hjt" "$REPO_DIR/examples/list.txt" "$STAGE/"
windows_text "$REPO_DIR/packaging/windows/README.txt" >"$STAGE/README.txt"

# Every DLL the program and its plugins import is either shipped or part of Windows.
check_imports() {
    local missing=0 file dll
    for file in "$STAGE"/*.exe "$STAGE"/*.dll "$STAGE"/*/*.dll; do
        while read -r dll; do
            [ -e "$STAGE/$dll" ] && continue
            case "${dll,,}" in
                kernel32.dll|user32.dll|gdi32.dll|shell32.dll|ole32.dll|oleaut32.dll|advapi32.dll| \
                comdlg32.dll|winmm.dll|ws2_32.dll|imm32.dll|uxtheme.dll|dwmapi.dll|version.dll| \
                netapi32.dll|userenv.dll|mpr.dll|shlwapi.dll|wtsapi32.dll|setupapi.dll|d3d9.dll| \
                d3d11.dll|dxgi.dll|dwrite.dll|d2d1.dll|msvcrt.dll|authz.dll|iphlpapi.dll| \
                dnsapi.dll|secur32.dll|crypt32.dll|bcrypt.dll|ncrypt.dll|winspool.drv|winhttp.dll| \
                shcore.dll|api-ms-win-*) ;;
                *) echo "$(basename "$file") needs $dll, which is neither shipped nor part of Windows" >&2
                   missing=1 ;;
            esac
        done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
    done
    return $missing
}
check_imports

(cd "$WIN_BUILD_DIR/stage" && rm -f "../$NAME.zip" && zip -qr -X "../$NAME.zip" "$NAME")
note "portable zip: $WIN_BUILD_DIR/$NAME.zip ($(du -h "$WIN_BUILD_DIR/$NAME.zip" | cut -f1))"

# The installer's program files: all of the portable folder but the examples, which go to the
# player's working folder instead.
program_files_nsh() {
    local file folder last=""
    echo '!macro InstallProgramFiles'
    while read -r file; do
        folder="$(dirname "$file")"
        if [ "$folder" != "$last" ]; then
            if [ "$folder" = . ]; then echo '    SetOutPath "$INSTDIR"'
            else echo "    SetOutPath \"\$INSTDIR\\$folder\""; fi
            last="$folder"
        fi
        echo "    File \"$STAGE/$file\""
    done < <(program_files)
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro RemoveProgramFiles'
    program_files | sed 's|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    program_files | sed -n 's|/[^/]*$||p' | sort -u | sed 's|.*|    RMDir "$INSTDIR\\&"|'
    echo '!macroend'
}
program_files() {
    (cd "$STAGE" && find . -type f ! -name staff.hjt ! -name list.txt | sed 's|^\./||' | sort)
}
program_files_nsh >"$WIN_BUILD_DIR/stage/program-files.nsh"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$VERSION" -DSTAGE="$STAGE" \
    -DFILES_NSH="$WIN_BUILD_DIR/stage/program-files.nsh" \
    -DICON="$REPO_DIR/packaging/windows/tarnbook.ico" \
    -DOUTFILE="$WIN_BUILD_DIR/$NAME-setup.exe" "$REPO_DIR/packaging/windows/tarnbook.nsi"
note "installer: $WIN_BUILD_DIR/$NAME-setup.exe ($(du -h "$WIN_BUILD_DIR/$NAME-setup.exe" | cut -f1))"

# ---- the tests under Wine -----------------------------------------------------------------

# Wine takes its ANSI code page from the locale: the end-to-end test runs once with the
# Russian one (1251) and once with a Western one (1252).
ensure_locales() {
    local wanted missing=0 sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    for wanted in ru_RU en_US; do
        locale -a | grep -qix "$wanted.utf-\?8" && continue
        $sudo sed -i "s/^# *\($wanted.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$wanted.UTF-8 UTF-8" /etc/locale.gen \
            || echo "$wanted.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
        missing=1
    done
    [ "$missing" = 0 ] || $sudo locale-gen >/dev/null
}

if [ "${WINDOWS_TESTS:-1}" != 0 ]; then
    ensure_locales
    note "Wine prefix of the tests"
    "$REPO_DIR/scripts/wine-run.sh" wineboot -i
    note "tests under Wine"
    ctest --test-dir "$WIN_BUILD_DIR" --output-on-failure --no-tests=error -j "$(nproc)"
fi
note "Windows stage passed"
