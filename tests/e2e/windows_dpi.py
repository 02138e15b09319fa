#!/usr/bin/env python3
"""The Windows program under Wine at the display scalings of Windows laptops.

Unpacks the portable zip into a fresh folder, makes a fresh Wine prefix on a private X server
large enough for the window at 200 %, and starts tarnbook.exe once per scaling, Wine's
LogPixels (HKCU\\Control Panel\\Desktop) set before each start:

  1. at 96 DPI with no saved settings the client area is the designed 892x395;
  2. at 192 DPI with no saved settings it is the designed size twice over: the window scales
     as a whole;
  3. there the window is made larger and closed; started at 120 and then 144 DPI it comes
     back with the same size in logical pixels (1.25 and 1.5 times that size on the screen).

A screenshot of the window is kept for each scaling (windows-dpi-NNN.png beside the test, or
in --screenshots DIR), to look at for cut captions and the slot pictures.

Usage: windows_dpi.py [--screenshots DIR] ZIP

Exit status 0 when every check passes, 1 on a failure, 77 (reported by CTest as skipped) where
the zip, a tool or the locale is missing, or no X server can start; the reason on one line.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop_e2e as e2e  # noqa: E402
import windows_e2e as win  # noqa: E402

SKIP = 77
DESIGNED = (892, 395)     # the client area in logical pixels
RESIZED = (1000, 500)     # the size the window is given at 192 DPI, in logical pixels
TOLERANCE = 3             # pixels of rounding between a logical size and the screen's


class LargeWineDesktop(win.WineDesktop):
    screen = "2560x1440x24"

    def set_dpi(self, dpi):
        """LogPixels for the next start; the Wine session ends first, so that it is read."""
        self.stop_wine()
        self.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                  "/t", "REG_DWORD", "/d", str(dpi), "/f"], timeout=60)


def on_screen(logical, dpi):
    return tuple(round(v * dpi / 96) for v in logical)


def check_size(what, actual, expected):
    e2e.check(all(abs(a - e) <= TOLERANCE for a, e in zip(actual, expected)),
              "%s: client area %dx%d, expected about %dx%d" % ((what,) + actual + expected))


def painted(desktop, window):
    """Whether the window shows more than one colour: Wine maps it before its first frame."""
    width, height, pixel = desktop.screenshot(window)
    colours = {pixel(x, y) for x in range(0, width, 37) for y in range(0, height, 23)}
    return len(colours) > 8


def keep_screenshot(desktop, window, folder, dpi):
    e2e.wait_for("the window painted at %d DPI" % dpi, lambda: painted(desktop, window),
                 timeout=20, interval=0.3)
    path = os.path.join(folder, "windows-dpi-%d" % dpi)
    if shutil.which("convert"):
        win.save_png(desktop, window, path + ".png")
    else:
        with open(path + ".xwd", "wb") as f:
            f.write(desktop.run(["xwd", "-silent", "-id", window]).stdout)
        print("screenshot: %s.xwd" % path)


def start_at(desktop, dpi, expected_logical, folder, what):
    desktop.set_dpi(dpi)
    process, window = desktop.start_program("tarnbook.exe")
    expected = on_screen(expected_logical, dpi)
    size = e2e.wait_for("the window at %d DPI" % dpi, lambda: (
        desktop.client_geometry(window)[2:]
        if all(abs(a - e) <= TOLERANCE
               for a, e in zip(desktop.client_geometry(window)[2:], expected)) else None),
        timeout=10, state=lambda: desktop.client_geometry(window)[2:])
    check_size("%d DPI, %s" % (dpi, what), size, expected)
    print("%d DPI (%d %%), %s: client area %dx%d" % (dpi, dpi * 100 // 96, what, *size))
    keep_screenshot(desktop, window, folder, dpi)
    return process, window


def run(desktop, folder):
    settings = os.path.join(desktop.workdir, "settings.ini")
    process, window = start_at(desktop, 96, DESIGNED, folder, "designed size")
    desktop.close_window(process, window)
    os.remove(settings)

    process, window = start_at(desktop, 192, DESIGNED, folder, "designed size")
    wanted = on_screen(RESIZED, 192)
    desktop.xdotool("windowsize", window, wanted[0], wanted[1])
    e2e.wait_for("the window resized to %dx%d" % wanted,
                 lambda: desktop.client_geometry(window)[2:] == wanted,
                 state=lambda: desktop.client_geometry(window)[2:])
    desktop.close_window(process, window)
    print("192 DPI: resized to %dx%d (%dx%d logical) and closed" % (wanted + RESIZED))

    for dpi in (120, 144):
        process, window = start_at(desktop, dpi, RESIZED, folder, "size saved at 192 DPI")
        desktop.close_window(process, window)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--screenshots", default=".")
    parser.add_argument("zip")
    args = parser.parse_args()
    started = time.monotonic()
    if not os.path.isfile(args.zip):
        print("SKIPPED: no %s; scripts/windows.sh builds it" % args.zip)
        return SKIP
    missing = [tool for tool in win.TOOLS if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: %s not installed (scripts/windows.sh installs them)" % ", ".join(missing))
        return SKIP
    locales = subprocess.run(["locale", "-a"], capture_output=True).stdout.decode().lower()
    if "ru_ru.utf8" not in locales.replace("-", ""):
        print("SKIPPED: the locale ru_RU.UTF-8 is not generated (scripts/windows.sh makes it)")
        return SKIP
    folder = os.path.abspath(args.screenshots)
    os.makedirs(folder, exist_ok=True)

    with tempfile.TemporaryDirectory(prefix="tarnbook-win-dpi-") as scratch:
        with zipfile.ZipFile(args.zip) as archive:
            archive.extractall(scratch)
            top = archive.namelist()[0].split("/")[0]
        workdir = os.path.join(scratch, top)
        for name in os.listdir(workdir):
            if name.endswith(".exe") or name.endswith(".dll"):
                os.chmod(os.path.join(workdir, name), 0o755)
        desktop = LargeWineDesktop(workdir, scratch, "1251")
        try:
            desktop.start_server()
            desktop.start_window_manager()
            desktop.make_prefix()
            run(desktop, folder)
        except e2e.Skip as skip:
            print("SKIPPED: %s" % skip)
            return SKIP
        except (e2e.Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED: %s" % failure)
            desktop.save_failure_picture(os.path.join(folder, "windows-dpi-failure.xwd"))
            return 1
        finally:
            if desktop.env is not None:
                desktop.stop_wine()
            desktop.stop_all()
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
