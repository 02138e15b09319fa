#!/usr/bin/env python3
"""The Windows installer under Wine, as a player without administrator rights runs it.

In a fresh Wine prefix (its Windows home folders inside a scratch folder), the installer runs
silently (/S) and must put the program into the user's own program folder, the example base
and list into Documents\\Tarnbook, the Start-menu shortcut starting in that folder, and an
uninstall entry for the user. The player then edits the base, and an older version's files lie
in the program folder; a second install must keep the base and replace the program folder
whole. While Tarnbook runs from the program folder, an install and an uninstall must stop
(exit code 2) with nothing changed and the uninstall entry kept. A folder that holds other
files is refused. The uninstaller must remove the program, the shortcut and the entry, and
leave the player's folder as it was.

The running program is the installed tarnbook.exe on Qt's offscreen platform plugin, taken
from the Qt for MinGW named by TARNBOOK_QT_MINGW (set by CTest).

Usage: windows_installer.py SETUP.exe

Exit status 0 when every check passes, 1 on a failure, 77 (reported by CTest as skipped) where
the installer, Wine or the Qt for MinGW is missing; the reason on one line.
"""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnbook"
PROGRAM_FILES = ["tarnbook.exe", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
                 "Qt6Network.dll", "libstdc++-6.dll", "libgcc_s_seh-1.dll",
                 "libwinpthread-1.dll", "platforms/qwindows.dll",
                 "styles/qmodernwindowsstyle.dll", "translations/qtbase_ru.qm", "README.txt",
                 "uninstall.exe"]
# What an older version shipped and this one does not: an upgrade must take it away.
OLDER_VERSION_FILES = ["styles/qwindowsvistastyle.dll", "Qt6Retired.dll"]
ABORTED = 2


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_for(what, probe, timeout=60):
    deadline = time.monotonic() + timeout
    while not probe():
        if time.monotonic() > deadline:
            raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(0.2)


class Wine:
    def __init__(self, scratch):
        home = os.path.join(scratch, "home")
        os.mkdir(home)
        self.prefix = os.path.join(scratch, "prefix")
        self.env = {name: value for name, value in os.environ.items()
                    if not name.startswith(("QT_", "WINE", "DISPLAY", "WAYLAND"))}
        # Wine links the Windows Documents folder to the Unix home: keep it in the scratch.
        self.env.update({"HOME": home, "WINEPREFIX": self.prefix, "WINEARCH": "win64",
                         "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "winemenubuilder.exe=d"})

    def run(self, *args, timeout=180):
        result = subprocess.run(list(args), env=self.env, capture_output=True, timeout=timeout)
        return result

    def user_folder(self, *parts):
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", *parts))
        found = [path for path in found if "/Public/" not in path]
        return found[0] if found else None

    def has_uninstall_entry(self):
        return self.run("wine", "reg", "query", UNINSTALL_KEY, timeout=60).returncode == 0

    def start_program(self, program, qt_mingw, folder):
        """The installed program, running in FOLDER on the offscreen platform plugin."""
        env = dict(self.env)
        env.update({"WINEQT_QPA_PLATFORM": "offscreen",
                    "WINEQT_PLUGIN_PATH": windows_path(os.path.join(qt_mingw, "plugins")),
                    "WINEQT_QPA_FONTDIR": "Z:/usr/share/wine/fonts"})
        process = subprocess.Popen(["wine", os.path.join(program, "tarnbook.exe")], cwd=folder,
                                   env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        wait_for("the program to take its folder",
                 lambda: os.path.exists(os.path.join(folder, "tarnbook.lock")))
        return process


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def snapshot(folder):
    """Every file below FOLDER with its size, modification time and contents."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = (os.stat(path).st_mtime_ns, f.read())
    return files


def refused_while_running(wine, setup, program, working, qt_mingw, scratch):
    """An install and an uninstall while the program runs: both stop, nothing changes."""
    play = os.path.join(scratch, "play")
    os.mkdir(play)
    before_program, before_working = snapshot(program), snapshot(working)
    process = wine.start_program(program, qt_mingw, play)
    try:
        code = wine.run("wine", setup, "/S").returncode
        check(code == ABORTED, "an install over the running program ended with %d, not %d"
              % (code, ABORTED))
        # _?= runs the uninstaller in place, so that its exit code is its own.
        code = wine.run("wine", os.path.join(program, "uninstall.exe"), "/S",
                        "_?=" + windows_path(program)).returncode
        check(code == ABORTED, "an uninstall while the program runs ended with %d, not %d"
              % (code, ABORTED))
        check(process.poll() is None, "the program stopped during the refused runs")
    finally:
        process.kill()
        process.wait(timeout=60)
    check(snapshot(program) == before_program,
          "the refused install or uninstall changed the program folder")
    check(snapshot(working) == before_working,
          "the refused install or uninstall changed the working folder")
    check(wine.has_uninstall_entry(), "the refused uninstall removed the uninstall entry")
    print("while the program runs: install and uninstall stop with code 2, nothing changed")


def refused_foreign_folder(wine, setup, scratch):
    """A folder holding other files is not made the program folder."""
    foreign = os.path.join(scratch, "drive_c_foreign")
    os.mkdir(foreign)
    mine = os.path.join(foreign, "notes.txt")
    with open(mine, "wb") as f:
        f.write(b"the player's notes\r\n")
    code = wine.run("wine", setup, "/S", "/D=" + windows_path(foreign)).returncode
    check(code == ABORTED, "an install into a folder of other files ended with %d" % code)
    check(os.listdir(foreign) == ["notes.txt"],
          "the refused install changed the folder: %s" % sorted(os.listdir(foreign)))
    print("a folder of other files: refused, left as it was")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    setup = os.path.abspath(sys.argv[1])
    if not os.path.isfile(setup):
        print("SKIPPED: no %s; scripts/windows.sh builds it" % setup)
        return SKIP
    missing = [tool for tool in ("wine", "wineboot", "wineserver") if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: %s not installed (scripts/windows.sh installs them)" % ", ".join(missing))
        return SKIP
    qt_mingw = os.environ.get("TARNBOOK_QT_MINGW", "")
    if not os.path.isfile(os.path.join(qt_mingw, "plugins", "platforms", "qoffscreen.dll")):
        print("SKIPPED: no Qt for MinGW with the offscreen plugin in TARNBOOK_QT_MINGW")
        return SKIP
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="tarnbook-installer-") as scratch:
        wine = Wine(scratch)
        try:
            wine.run("wineboot", "-i")
            check(wine.run("wine", setup, "/S").returncode == 0, "the installer failed")
            program = wine.user_folder("AppData", "Local", "Programs", "Tarnbook")
            check(program is not None, "nothing installed in AppData\\Local\\Programs\\Tarnbook")
            absent = [f for f in PROGRAM_FILES if not os.path.isfile(os.path.join(program, f))]
            check(not absent, "not installed: %s" % ", ".join(absent))
            working = wine.user_folder("Documents", "Tarnbook")
            check(working is not None, "no Documents\\Tarnbook working folder")
            check(sorted(os.listdir(working)) == ["list.txt", "staff.hjt"],
                  "the working folder holds %s" % sorted(os.listdir(working)))
            shortcut = wine.user_folder("AppData", "Roaming", "Microsoft", "Windows",
                                        "Start Menu", "Programs", "Tarnbook.lnk")
            check(shortcut is not None, "no Start-menu shortcut")
            with open(shortcut, "rb") as lnk:
                check("Documents\\Tarnbook".encode("utf-16-le") in lnk.read(),
                      "the shortcut does not start in Documents\\Tarnbook")
            check(wine.has_uninstall_entry(), "no uninstall entry for the user")
            print("installed for the user: %d program files, the examples in Documents\\Tarnbook,"
                  " the shortcut starting there, the uninstall entry" % len(PROGRAM_FILES))

            base = os.path.join(working, "staff.hjt")
            with open(base, "ab") as f:
                f.write(b"<!-- the player's own -->\r\n")
            with open(base, "rb") as f:
                edited = f.read()
            with open(os.path.join(working, "settings.ini"), "wb") as f:
                f.write(b"staff.hjt\r\n")
            for old in OLDER_VERSION_FILES:
                with open(os.path.join(program, old), "wb") as f:
                    f.write(b"MZ an older version's file")
            before = snapshot(working)
            check(wine.run("wine", setup, "/S").returncode == 0, "the second install failed")
            check(snapshot(working) == before, "the second install changed the working folder")
            left = [old for old in OLDER_VERSION_FILES if os.path.exists(os.path.join(program, old))]
            check(not left, "the upgrade left an older version's files: %s" % ", ".join(left))
            absent = [f for f in PROGRAM_FILES if not os.path.isfile(os.path.join(program, f))]
            check(not absent, "not installed by the upgrade: %s" % ", ".join(absent))
            check(not os.path.exists(program + ".previous"), "the upgrade left the old folder")
            print("second install: the player's files kept, the program folder replaced whole")

            refused_while_running(wine, setup, program, working, qt_mingw, scratch)
            refused_foreign_folder(wine, setup, scratch)

            check(wine.run("wine", os.path.join(program, "uninstall.exe"), "/S").returncode == 0,
                  "the uninstaller failed")
            # The uninstaller runs on from a copy of itself, so its end is waited for.
            wait_for("the program folder to go", lambda: not os.path.exists(program))
            wait_for("the shortcut to go", lambda: not os.path.exists(shortcut))
            check(not wine.has_uninstall_entry(), "the uninstall entry is still there")
            check(sorted(os.listdir(working)) == ["list.txt", "settings.ini", "staff.hjt"],
                  "after uninstalling, the working folder holds %s" % sorted(os.listdir(working)))
            with open(base, "rb") as f:
                check(f.read() == edited, "the uninstaller changed the player's base")
            print("uninstalled: program, shortcut and entry gone, the player's files kept")
        except (Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED: %s" % failure)
            return 1
        finally:
            wine.run("wineserver", "-k", timeout=30)
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
