#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine, as ctest's emulator and by hand:
#   wine-run.sh PROGRAM.exe [ARGS...]
# Wine hands no QT_* variable of Linux to a Windows program, but passes WINEQT_X on as QT_X:
# each QT_* of this environment goes over so. QtTest writes its report to the debugger instead
# of stdout where it sees no console, so the report is asked for on stderr's console.
#   TARNBOOK_QT_MINGW   the Qt for MinGW whose DLLs the program loads (bin/ is searched)
#   WINEPREFIX          Wine's folder (default: a cache folder of Tarnbook's own)
#   QT_QPA_FONTDIR      fonts of the offscreen platform (default: Wine's, which hold Tahoma)
set -euo pipefail

: "${WINEPREFIX:=${XDG_CACHE_HOME:-$HOME/.cache}/tarnbook/wineprefix}"
export WINEPREFIX WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"

mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
winpthread=/usr/x86_64-w64-mingw32/lib
dll_path="Z:${mingw_runtime};Z:${winpthread}"
[ -n "${TARNBOOK_QT_MINGW:-}" ] && dll_path="Z:${TARNBOOK_QT_MINGW}/bin;${dll_path}"
export WINEPATH="${dll_path}${WINEPATH:+;$WINEPATH}"

for name in $(compgen -e); do
    if [[ "$name" == QT_* ]]; then export "WINE${name}=${!name}"; fi
done
export WINEQT_ASSUME_STDERR_HAS_CONSOLE=1
# The offscreen platform of the tests reads fonts from a folder, not from the system: Wine's
# own, which holds Tahoma.
: "${WINEQT_QPA_FONTDIR:=Z:/usr/share/wine/fonts}"
export WINEQT_QPA_FONTDIR

exec wine "$@"
