#!/usr/bin/env python3
"""End-to-end run of the Windows program, as a player gets it, under Wine on a private X server.

Unpacks the portable zip into a fresh folder, makes a fresh Wine prefix whose ANSI code page is
the one asked for (Wine takes it from the locale: ru_RU.UTF-8 gives 1251, en_US.UTF-8 1252),
and starts tarnbook.exe on the Windows platform plugin, with nothing but the zip's own DLLs.
Then, driven from outside as a player would:

  1. the window appears with its designed client size and caption;
  2. another program (xclip) owns the X clipboard, which Wine shares, with an equipment
     listing; a click on "Добавить" makes the list; a click on an entry shows its lore in
     colour, and the red slot label changes with the entry chosen (read from the screen:
     Wine has no screen-reader bridge to read it by);
  3. "Пакетные" with a preset prefix and "добавить 'все.'" puts the packet on the clipboard,
     read back by xclip byte for byte (Wine hands Windows text to X with LF for CR LF);
  4. the window is closed: list.txt and settings.ini hold the list and the prefix, in
     Windows-1251 with CR LF;
  5. a second start restores the list; a further copy started in the same folder brings the
     minimized window forward over the local socket, says so in a box and ends; then the
     whole Wine session is killed, and a third start in the same folder must come up, not
     report a copy already running.

The example base has no byte-order mark, so every item found proves that such a base reads
as Windows-1251 whatever the system's code page.

Usage: windows_e2e.py [--codepage 1251|1252] [--screenshot FILE.png] ZIP

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
import desktop_e2e as e2e  # noqa: E402  (the X server, clipboard and screen helpers)

SKIP = 77
TOOLS = ["wine", "wineboot", "wineserver", "Xvfb", "openbox", "xclip", "xdotool", "wmctrl",
         "xwd", "xprop", "xwininfo"]
LOCALES = {"1251": "ru_RU.UTF-8", "1252": "en_US.UTF-8"}
CAPTION = "Велигор лор - Tarnbook by Ольвен v 2.4"
SECOND_LIST_ROW = (60, 66)             # the second entry of the item list
SLOT_AREA = (360, 312, 500, 334)       # the red slot label beside "Сорт"


class WineDesktop(e2e.Desktop):
    """The private X server with Wine: a fresh prefix, the program started through wine."""

    def __init__(self, workdir, logdir, codepage):
        super().__init__(workdir, logdir)
        self.codepage = codepage

    def start_server(self):
        super().start_server()
        env = self.env
        for name in [name for name in env if name.startswith(("QT_", "WINE"))]:
            del env[name]
        env.update({
            "WINEPREFIX": os.path.join(self.logdir, "prefix"),
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            # No menu entries or file associations made on the host by the prefix.
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d",
            "LANG": LOCALES[self.codepage],
            "LC_ALL": LOCALES[self.codepage],
        })

    def make_prefix(self):
        self.run(["wineboot", "-i"], timeout=120)
        code_page = self.run(["wine", "reg", "query",
                              r"HKLM\System\CurrentControlSet\Control\Nls\CodePage", "/v", "ACP"],
                             timeout=60).stdout.decode(errors="replace").split()
        e2e.check(code_page[-1:] == [self.codepage],
                  "Wine's ANSI code page is %s, not %s" % (code_page[-1:], self.codepage))
        print("Wine prefix made, ANSI code page %s (%s)" % (self.codepage,
                                                             LOCALES[self.codepage]))

    def start_program(self, program):
        self.starts += 1
        log_path = os.path.join(self.logdir, "program-%d.log" % self.starts)
        with open(log_path, "wb") as log:
            process = self.spawn(["wine", program], cwd=self.workdir, stderr=log)
        process.log_path = log_path

        def shown_window():
            if process.poll() is not None:
                raise e2e.Failure("the program ended at start with status %d: %s" % (
                    process.returncode, e2e.program_output(process)))
            found = self.run(["xdotool", "search", "--onlyvisible", "--name", "Tarnbook"],
                             check=False).stdout.decode().split()
            for window in found:
                if self.xdotool("getwindowname", window).strip() == CAPTION:
                    return window
            return None

        window = e2e.wait_for("the program's window", shown_window, timeout=60,
                              state=lambda: self.run(["wmctrl", "-l"], check=False)
                              .stdout.decode(errors="replace").strip())
        e2e.wait_for("the window frame", lambda: self.frame_extents(window) is not None)
        return process, window

    def stop_wine(self):
        self.run(["wineserver", "-k"], check=False, timeout=30)


def as_wine_exports(packet):
    """A Windows text as Wine gives it to X clipboard readers: its CR LF become LF."""
    return packet.replace(b"\r\n", b"\n")


def slot_signature(picture):
    """Where the slot label's red pixels are: its text as the screen shows it."""
    width, height, pixel = picture
    left, top, right, bottom = SLOT_AREA
    return frozenset((x, y) for y in range(top, min(bottom, height))
                     for x in range(left, min(right, width))
                     if e2e.LORE_COLOURS["red"](*pixel(x, y)))


def save_png(desktop, window, path):
    """The window as a PNG (ImageMagick's convert), for the README."""
    xwd = desktop.run(["xwd", "-silent", "-id", window]).stdout
    converted = subprocess.run(["convert", "xwd:-", path], input=xwd, capture_output=True)
    e2e.check(converted.returncode == 0, "convert could not write %s" % path)
    print("screenshot: %s" % path)


def first_run(desktop, screenshot):
    process, window = desktop.start_program("tarnbook.exe")
    geometry = desktop.client_geometry(window)
    e2e.check(geometry[2:] == (892, 395),
              "first start: client area %dx%d, the designed size is 892x395" % geometry[2:])
    print("window %r shown, client area 892x395" % CAPTION)

    before = e2e.lore_colour_counts(desktop.screenshot(window))
    e2e.check(not any(before.values()), "the help text should show no coloured spans: %r"
              % before)
    no_slot = slot_signature(desktop.screenshot(window))

    listing = e2e.LISTING.encode("utf-8")
    owner = desktop.own_clipboard(listing)
    desktop.click(window, e2e.BUTTON_ADD)
    desktop.click(window, e2e.FIRST_LIST_ROW)

    def coloured_lore():
        counts = e2e.lore_colour_counts(desktop.screenshot(window))
        return counts if all(n >= 8 for n in counts.values()) else None
    counts = e2e.wait_for("the first entry's lore in colour", coloured_lore, timeout=20,
                          state=lambda: e2e.lore_colour_counts(desktop.screenshot(window)))
    print("lore of the first entry: %s pixels" % ", ".join(
        "%s %d" % item for item in counts.items()))

    def slot_unlike(other):
        shown = slot_signature(desktop.screenshot(window))
        return shown if shown and shown != other else None
    first_slot = e2e.wait_for("the first entry's slot", lambda: slot_unlike(no_slot))
    desktop.click(window, SECOND_LIST_ROW)
    second_slot = e2e.wait_for("the second entry's slot", lambda: slot_unlike(first_slot))
    desktop.click(window, e2e.FIRST_LIST_ROW)
    e2e.wait_for("the first entry's slot again",
                 lambda: slot_signature(desktop.screenshot(window)) == first_slot)
    e2e.check(second_slot != no_slot, "the second entry shows no slot")
    print("slot label: %d, %d red pixels for two entries of different slots, the same again "
          "for the first" % (len(first_slot), len(second_slot)))
    if screenshot:
        save_png(desktop, window, screenshot)

    desktop.click(window, e2e.PREFIX_BOX)
    desktop.xdotool("key", "Down")
    desktop.click(window, e2e.ALL_CHECKBOX)
    desktop.click(window, e2e.BUTTON_PACKET)
    packet = e2e.wait_for("the packet on the clipboard",
                          lambda: desktop.clipboard_unless(listing), timeout=20)
    e2e.check_bytes("the packet read from the clipboard", packet,
                    as_wine_exports(e2e.PACKET_WITH_ALL))
    e2e.wait_for("xclip to give up the clipboard", lambda: owner.poll() is not None, timeout=5)
    print("packet on the clipboard: %d bytes, as expected" % len(packet))

    desktop.close_window(process, window)


def check_saved_files(workdir):
    with open(os.path.join(workdir, "list.txt"), "rb") as f:
        listed = f.read()
    e2e.check_bytes("list.txt", listed,
                    "".join(line + "\r\n" for line in e2e.LIST_AFTER_PASTE).encode("cp1251"))
    with open(os.path.join(workdir, "settings.ini"), "rb") as f:
        settings = f.read()
    e2e.check(settings.endswith(b"\r\n") and b"\n" not in settings.replace(b"\r\n", b""),
              "settings.ini lines do not all end in CR LF: %r" % settings)
    lines = settings.decode("cp1251").split("\r\n")
    e2e.check(len(lines) == 8 and lines[0] == "staff.hjt" and lines[5] == e2e.PREFIX
              and lines[6:] == ["", ""] and all(v.lstrip("-").isdigit() for v in lines[1:5]),
              "settings.ini holds %r" % lines)
    width, height = int(lines[1]), int(lines[2])
    e2e.check(width >= 892 and height >= 395,
              "settings.ini: outer size %dx%d is smaller than the client area" % (width, height))
    print("list.txt: %d entries; settings.ini: outer size %dx%d, prefix %r; both Windows-1251 "
          "with CR LF" % (len(e2e.LIST_AFTER_PASTE), width, height, e2e.PREFIX))


def is_minimized(desktop, window):
    state = desktop.run(["xprop", "-id", window, "_NET_WM_STATE"], check=False).stdout
    return b"_NET_WM_STATE_HIDDEN" in state


def second_copy_brings_the_first_forward(desktop, window):
    """A second start in the running copy's folder restores the minimized first window, says
    that the program runs here already, and ends."""
    desktop.xdotool("windowminimize", window)
    e2e.wait_for("the window minimized", lambda: is_minimized(desktop, window))
    log_path = os.path.join(desktop.logdir, "second-copy.log")
    with open(log_path, "wb") as log:
        second = desktop.spawn(["wine", "tarnbook.exe"], cwd=desktop.workdir, stderr=log)
    e2e.wait_for("the first window brought forward", lambda: not is_minimized(desktop, window),
                 timeout=30)

    boxes_seen = []

    def answer_the_box():
        """Presses Enter in the second copy's box, again until the copy has ended: Wine may
        still be making the box's window when it is first seen."""
        if second.poll() is not None:
            return True
        found = desktop.run(["xdotool", "search", "--onlyvisible", "--name", "^Tarnbook$"],
                            check=False).stdout.decode().split()
        for box in found:
            boxes_seen.append(box)
            desktop.run(["xdotool", "windowactivate", "--sync", box], check=False)
            desktop.run(["xdotool", "key", "--window", box, "Return"], check=False)
        return second.poll() is not None
    e2e.wait_for("the box «Tarnbook уже запущен в этой папке» answered and the second copy "
                 "ended", answer_the_box, timeout=30, interval=0.3)
    e2e.check(boxes_seen, "the second copy ended without showing its box")
    e2e.check(second.returncode == 0, "the second copy ended with status %d" % second.returncode)
    print("second copy: the first window came forward, the second said so and ended")


def later_starts(desktop):
    process, window = desktop.start_program("tarnbook.exe")
    # Another program takes the clipboard first: what the first run left there (the same
    # packet, as Wine kept it after that copy ended) must not pass for this start's packet.
    marker = b"before the second packet"
    owner = desktop.own_clipboard(marker)
    desktop.click(window, e2e.BUTTON_PACKET)
    packet = e2e.wait_for("the packet of the restored list",
                          lambda: desktop.clipboard_unless(marker), timeout=20)
    e2e.check_bytes("the packet of the restored list", packet,
                    as_wine_exports(e2e.PACKET_PLAIN))
    e2e.wait_for("xclip to give up the clipboard", lambda: owner.poll() is not None, timeout=5)
    print("second start: list and prefix restored, packet as expected")
    second_copy_brings_the_first_forward(desktop, window)
    desktop.stop_wine()
    process.wait(30)
    e2e.check(os.path.exists(os.path.join(desktop.workdir, "tarnbook.lock")),
              "the killed copy left no lock file behind")
    process, window = desktop.start_program("tarnbook.exe")
    print("third start after the Wine session was killed: the window came up")
    desktop.close_window(process, window)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--codepage", choices=sorted(LOCALES), default="1251")
    parser.add_argument("--screenshot")
    parser.add_argument("zip")
    args = parser.parse_args()
    started = time.monotonic()
    if not os.path.isfile(args.zip):
        print("SKIPPED: no %s; scripts/windows.sh builds it" % args.zip)
        return SKIP
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: %s not installed (scripts/windows.sh installs them)" % ", ".join(missing))
        return SKIP
    locales = subprocess.run(["locale", "-a"], capture_output=True).stdout.decode().lower()
    wanted = LOCALES[args.codepage]
    if wanted.lower().replace("-", "") not in locales.replace("-", ""):
        print("SKIPPED: the locale %s is not generated (scripts/windows.sh makes it)" % wanted)
        return SKIP

    with tempfile.TemporaryDirectory(prefix="tarnbook-win-e2e-") as scratch:
        with zipfile.ZipFile(args.zip) as archive:
            archive.extractall(scratch)
            top = archive.namelist()[0].split("/")[0]
        workdir = os.path.join(scratch, top)
        # The example list goes, so that the list is the pasted listing alone, as on Linux.
        os.remove(os.path.join(workdir, "list.txt"))
        for name in os.listdir(workdir):
            if name.endswith(".exe") or name.endswith(".dll"):
                os.chmod(os.path.join(workdir, name), 0o755)
        desktop = WineDesktop(workdir, scratch, args.codepage)
        try:
            desktop.start_server()
            desktop.start_window_manager()
            desktop.make_prefix()
            first_run(desktop, args.screenshot and os.path.abspath(args.screenshot))
            check_saved_files(workdir)
            later_starts(desktop)
        except e2e.Skip as skip:
            print("SKIPPED: %s" % skip)
            return SKIP
        except (e2e.Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED: %s" % failure)
            desktop.save_failure_picture(os.path.abspath("e2e-windows-failure.xwd"))
            return 1
        finally:
            if desktop.env is not None:
                desktop.stop_wine()
            desktop.stop_all()
    print("passed in %.1f s" % (time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
