#!/usr/bin/env bash
# Tarnbook for Windows x64, made on Debian: installs what is missing, finds or builds Qt 6.8 LTS
# for MinGW-w64 with host tools of the same version, cross-builds the program and its tests with
# warnings as errors, writes the portable zip and the installer, and runs the test suite and the
# end-to-end tests under Wine. Exits non-zero when any step or any test fails; a test that cannot
# run here (no package, no tool) counts as failed, not skipped.
#
#   WIN_BUILD_DIR        build folder (default build-win)
#   TARNBOOK_QT_MINGW    a Qt 6.8 for MinGW-w64 to use as it is (its lib/cmake/Qt6 is looked for)
#   TARNBOOK_QT_HOST     its host tools (moc, rcc, uic) of the same version (default: the
#                        qt6-host-6.8.2 folder beside TARNBOOK_QT_MINGW)
#   QT_MINGW_TARBALL     a ready Qt tarball to unpack when no Qt is found (default: the one in
#                        ../shared/qt6-mingw beside the repository, when it is there); it holds
#                        qt6-mingw-6.8.2/ and qt6-host-6.8.2/
#   TARNBOOK_CACHE       where a Qt unpacked or built here is kept (default ~/.cache/tarnbook)
#   WINDOWS_TESTS=0      build and package only
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

QT_VERSION=6.8.2
WIN_BUILD_DIR="${WIN_BUILD_DIR:-$REPO_DIR/build-win}"
TARNBOOK_CACHE="${TARNBOOK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnbook}"
QT_MINGW_TARBALL="${QT_MINGW_TARBALL:-$REPO_DIR/../shared/qt6-mingw/qt6-base-$QT_VERSION-mingw-w64-x86_64.tar.xz}"
MINGW_CXX=x86_64-w64-mingw32-g++-posix
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

stage_start=$SECONDS
note() { echo "== [$((SECONDS - stage_start))s] $*"; }

# The cross compiler, Wine for the tests, NSIS for the installer, what the end-to-end test
# drives the window with, and Debian's Russian translation of Qt's own texts, which the zip
# ships (the .qm files hold no machine code).
install_missing_packages cmake ninja-build g++-mingw-w64-x86-64-posix wine64 wine nsis zip \
    unzip python3 xvfb openbox xclip xdotool wmctrl x11-utils x11-apps locales fonts-wine \
    qt6-translations-l10n xz-utils

# ---- Qt for MinGW -------------------------------------------------------------------------

qt_version_of() {
    sed -n 's/^set(PACKAGE_VERSION "\(.*\)")$/\1/p' "$1/lib/cmake/Qt6/Qt6ConfigVersionImpl.cmake" \
        "$1/lib/cmake/Qt6/Qt6ConfigVersion.cmake" 2>/dev/null | head -n 1
}
is_qt_mingw() {
    [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/bin/Qt6Core.dll" ] \
        && [ "$(qt_version_of "$1")" = "$QT_VERSION" ]
}
is_qt_host() { [ -x "$1/libexec/moc" ] && [ "$(qt_version_of "$1")" = "$QT_VERSION" ]; }

# Builds Qt from Debian's source into the cache. The build needs root (apt-get, and MinGW-w64
# headers swapped for the time of the build), so it runs under sudo where this script does not
# run as root; its scratch folder goes whether it succeeds or not, and a half-built Qt is removed.
build_qt_mingw() {
    local work
    work="$(mktemp -d)"
    trap "$SUDO rm -rf '$work'" EXIT
    if ! $SUDO bash "$REPO_DIR/scripts/build-qt68-mingw.sh" "$TARNBOOK_CACHE" "$work"; then
        $SUDO rm -rf "$work" "$TARNBOOK_CACHE/qt6-mingw-$QT_VERSION" "$TARNBOOK_CACHE/qt6-host-$QT_VERSION"
        echo "Building Qt $QT_VERSION for MinGW failed" >&2
        exit 1
    fi
    $SUDO rm -rf "$work"
    trap - EXIT
    [ -z "$SUDO" ] || $SUDO chown -R "$(id -u):$(id -g)" \
        "$TARNBOOK_CACHE/qt6-mingw-$QT_VERSION" "$TARNBOOK_CACHE/qt6-host-$QT_VERSION"
}

find_qt_mingw() {
    if [ -n "${TARNBOOK_QT_MINGW:-}" ]; then
        : "${TARNBOOK_QT_HOST:=$(dirname "$TARNBOOK_QT_MINGW")/qt6-host-$QT_VERSION}"
        is_qt_mingw "$TARNBOOK_QT_MINGW" || { echo "No Qt $QT_VERSION for MinGW in $TARNBOOK_QT_MINGW" >&2; exit 1; }
        is_qt_host "$TARNBOOK_QT_HOST" || { echo "No Qt $QT_VERSION host tools in $TARNBOOK_QT_HOST" >&2; exit 1; }
        return
    fi
    TARNBOOK_QT_MINGW="$TARNBOOK_CACHE/qt6-mingw-$QT_VERSION"
    TARNBOOK_QT_HOST="$TARNBOOK_CACHE/qt6-host-$QT_VERSION"
    is_qt_mingw "$TARNBOOK_QT_MINGW" && is_qt_host "$TARNBOOK_QT_HOST" && return
    rm -rf "$TARNBOOK_QT_MINGW" "$TARNBOOK_QT_HOST"
    mkdir -p "$TARNBOOK_CACHE"
    if [ -f "$QT_MINGW_TARBALL" ]; then
        note "unpacking the ready Qt $QT_VERSION for MinGW from $QT_MINGW_TARBALL"
        tar -xJf "$QT_MINGW_TARBALL" -C "$TARNBOOK_CACHE"
    else
        note "building Qt $QT_VERSION for MinGW from Debian's source (about 50 minutes on two cores)"
        build_qt_mingw
    fi
    is_qt_mingw "$TARNBOOK_QT_MINGW" || { echo "Qt for MinGW did not land in $TARNBOOK_QT_MINGW" >&2; exit 1; }
    is_qt_host "$TARNBOOK_QT_HOST" || { echo "Qt's host tools did not land in $TARNBOOK_QT_HOST" >&2; exit 1; }
}

find_qt_mingw
export TARNBOOK_QT_MINGW
note "Qt $QT_VERSION for MinGW: $TARNBOOK_QT_MINGW, host tools: $TARNBOOK_QT_HOST"

# ---- the cross build ----------------------------------------------------------------------

note "cross build in $WIN_BUILD_DIR"
cmake -S "$REPO_DIR" -B "$WIN_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$TARNBOOK_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_SYSTEM_NAME=Windows \
    -DCMAKE_CXX_COMPILER="$MINGW_CXX" \
    -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres \
    -DQT_HOST_PATH="$TARNBOOK_QT_HOST" -DQT_HOST_PATH_CMAKE_DIR="$TARNBOOK_QT_HOST/lib/cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$REPO_DIR/scripts/wine-run.sh" \
    -DTARNBOOK_WERROR=ON -DTARNBOOK_E2E_REQUIRED=ON
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
mkdir -p "$STAGE/platforms" "$STAGE/styles" "$STAGE/translations"
cp "$WIN_BUILD_DIR/tarnbook.exe" "$STAGE/"
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Network; do
    cp "$TARNBOOK_QT_MINGW/bin/$dll.dll" "$STAGE/"
done
cp "$TARNBOOK_QT_MINGW/plugins/platforms/qwindows.dll" "$STAGE/platforms/"
cp "$TARNBOOK_QT_MINGW/plugins/styles/qmodernwindowsstyle.dll" "$STAGE/styles/"
# Qt's own texts in Russian (its message boxes' buttons, its dialogs), which the program loads
# from translations/ beside itself; the build put Debian's copy there.
cp "$WIN_BUILD_DIR/translations/qtbase_ru.qm" "$STAGE/translations/"
cp "$MINGW_RUNTIME/libstdc++-6.dll" "$MINGW_RUNTIME/libgcc_s_seh-1.dll" \
   /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$STAGE/"
x86_64-w64-mingw32-strip "$STAGE"/*.dll "$STAGE"/*.exe "$STAGE"/*/*.dll
note "Qt in the zip: $(qt_version_of "$TARNBOOK_QT_MINGW")"
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
# player's working folder instead. Besides installing and removing them, the installer asks
# which of them is left after an uninstall and which is in use (held open by a running copy).
program_files_nsh() {
    local file folder last=""
    echo '!macro InstallProgramFiles'
    while read -r file; do
        folder="$(dirname "$file")"
        if [ "$folder" != "$last" ]; then
            if [ "$folder" = . ]; then echo '    SetOutPath "$INSTDIR"'
            else echo "    SetOutPath \"\$INSTDIR\\${folder//\//\\}\""; fi
            last="$folder"
        fi
        echo "    File \"$STAGE/$file\""
    done < <(program_files)
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro RemoveProgramFiles'
    program_files | sed 's|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    program_files | sed -n 's|/[^/]*$||p' | sort -u | sed 's|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|'
    echo '!macroend'
    # ProgramFileLeft VAR: the first program file still there, or empty.
    echo '!macro ProgramFileLeft var'
    echo '    StrCpy ${var} ""'
    program_files | sed 's|/|\\|g' | while read -r file; do
        echo "    \${If} \${var} == \"\""
        echo "    \${AndIf} \${FileExists} \"\$INSTDIR\\$file\""
        echo "        StrCpy \${var} \"$file\""
        echo '    ${EndIf}'
    done
    echo '!macroend'
    # ProgramFileInUse VAR: the first program file that exists and cannot be opened for writing
    # (Windows refuses that for a running program and the libraries it has loaded), or empty.
    echo '!macro ProgramFileInUse var'
    echo '    StrCpy ${var} ""'
    program_files | sed 's|/|\\|g' | while read -r file; do
        echo "    \${If} \${var} == \"\""
        echo "    \${AndIf} \${FileExists} \"\$INSTDIR\\$file\""
        echo '        ClearErrors'
        echo "        FileOpen \$R9 \"\$INSTDIR\\$file\" a"
        echo '        ${If} ${Errors}'
        echo "            StrCpy \${var} \"$file\""
        echo '        ${Else}'
        echo '            FileClose $R9'
        echo '        ${EndIf}'
        echo '    ${EndIf}'
    done
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
    local wanted missing=0 sudo="$SUDO"
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
