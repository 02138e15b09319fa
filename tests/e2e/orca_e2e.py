#!/usr/bin/env python3
"""The real Tarnbook program as a blind player hears it: through Orca, Debian's screen reader.

Runs on a private X server (Xvfb and openbox, as tests/e2e/desktop_e2e.py starts them) inside
a private D-Bus session (dbus-run-session) with its own accessibility bus, as
tests/e2e/atspi_e2e.py does, and starts Orca there with settings of its own in a fresh home:
speech on but no synthesizer, no braille, no key echo. What Orca says goes to its debug log
(orca --debug-file), one line "SPEECH OUTPUT: '...'" per utterance, and that is what this test
listens to. The program runs with the example staff base in a fresh folder; a player without
mouse or screen then does the whole job with key presses alone (xdotool), and after each
command Orca must say its outcome, once:

  F2 «Добавить» with a game listing on the clipboard, F5 «Пакетные», Shift+F4 «Очистить»,
  F11 «Отменить», Shift+F11 «Вернуть», F8 and a name search, F9 and a property search, F12
  and the filter, a quick save (its message box) and a quick load, the list's menu opened
  with Shift+F10 (its first item), «Сравнить» chosen in that menu (the comparison's window),
  an error box (a quick slot whose file cannot be written), and the base file changed on
  disk (read again).

Usage: orca_e2e.py PROGRAM STAFF_BASE
       (TARNBOOK_ORCA_LOG=FILE keeps Orca's debug log there, passed or not)

Exit status 0 when Orca said every outcome, 1 when one was not heard (the utterances heard
instead are printed), 77 (reported by CTest as skipped) when Orca or the X and bus tools are
missing or no X server or bus can start; the reason is printed on one line.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import desktop_e2e as e2e  # noqa: E402  (the X server, window manager and clipboard helpers)
import atspi_e2e  # noqa: E402  (the accessibility bus's launchers and the AT-SPI bindings)

SKIP = 77
TOOLS = ["orca", "Xvfb", "openbox", "xclip", "xdotool", "xprop", "wmctrl", "dbus-run-session",
         "dbus-send", "setxkbmap"]
INSIDE_PRIVATE_BUS = "TARNBOOK_ORCA_PRIVATE_BUS"

# Orca's settings for the test: speech on, but its speech server is one that does not exist,
# so nothing is synthesized (and no speech-dispatcher is left running) while every utterance
# still reaches the debug log; no braille display to look for, no key echo to mix in.
ORCA_SETTINGS = {
    "general": {
        "enableSpeech": True,
        "speechServerFactory": "tarnbook_no_speech_server",
        "speechFactoryModules": [],
        "speechServerInfo": None,
        "enableBraille": False,
        "enableBrailleMonitor": False,
        "enableSpeechMonitor": False,
        "enableKeyEcho": False,
        "enableEchoByCharacter": False,
        "enableEchoByWord": False,
        "enableEchoBySentence": False,
        "enableTutorialMessages": False,
        "presentToolTips": False,
        "enableSound": False,
        "orcaModifierKeys": ["Insert", "KP_Insert"],
    },
    "profiles": {"default": {"profile": ["Default", "default"], "pronunciations": {},
                             "keybindings": {}}},
    "pronunciations": {},
    "keybindings": {},
}
# Run by Orca at start from its settings folder: its debug log is written line by line, so
# each utterance can be read as soon as it is said.
ORCA_CUSTOMIZATIONS = (
    "from orca import debug\n"
    "if debug.debugFile is not None:\n"
    "    debug.debugFile.reconfigure(line_buffering=True)\n"
)


class Speech:
    """What Orca said, read from its debug log."""

    MARK = "SPEECH OUTPUT: '"
    # An utterance ends at its closing quote, before the voice Orca notes after it.
    END = re.compile(r"(.*?)'(?: voice=\S+)?(?:\{.*\}|ACSS.*)?\s*$")

    def __init__(self, path):
        self.path = path
        self.since = 0

    def utterances(self):
        try:
            with open(self.path, encoding="utf-8", errors="replace") as log:
                lines = log.read().split("\n")
        except FileNotFoundError:
            return []
        said = []
        for line in lines:
            at = line.find(self.MARK)
            if at < 0:
                continue
            rest = line[at + len(self.MARK):]
            match = self.END.match(rest)
            said.append(match.group(1) if match else rest)
        return said

    def mark(self):
        """What is said from now on is the next command's."""
        self.since = len(self.utterances())

    def new(self):
        return self.utterances()[self.since:]

    def wait(self, what, phrase, timeout=20.0):
        """Waits until Orca says `phrase` (a part of one utterance) after the mark; the
        utterances said since the mark."""
        e2e.wait_for("Orca to say «%s» (%s)" % (phrase, what),
                     lambda: any(phrase in said for said in self.new()), timeout=timeout,
                     state=lambda: self.new())
        return self.new()


class Job:
    """The player's commands, each followed by what Orca must say; every outcome must be said
    once."""

    # What Orca says when its focus comes to the item table, which no command here moves to.
    NOT_THE_FOCUS = ("Таблица предметов",)

    def __init__(self, desktop, speech):
        self.desktop = desktop
        self.speech = speech
        self.heard = []  # (command, what Orca said for it)
        self.pending = None  # the last command's phrase, counted when the next one starts

    def keys(self, *names):
        for name in names:
            self.desktop.xdotool("key", name)

    def type(self, text):
        self.desktop.xdotool("type", "--delay", "30", text)

    def _close_previous(self):
        if self.pending is None:
            return
        command, phrase, start = self.pending
        said = self.speech.utterances()[start:]
        times = sum(utterance.count(phrase) for utterance in said)
        e2e.check(times == 1, "after %s Orca said «%s» %d times: %r"
                  % (command, phrase, times, said))
        self.pending = None

    def command(self, name, phrase, *keys, timeout=20.0, typed=None, then=()):
        """Presses `keys` (and types `typed`, then presses `then`), and waits for `phrase`."""
        self._close_previous()
        self.speech.mark()
        start = self.speech.since
        self.keys(*keys)
        if typed is not None:
            self.type(typed)
        self.keys(*then)
        said = self.speech.wait(name, phrase, timeout=timeout)
        utterance = next(s for s in said if phrase in s)
        # The outcome is told where the player is: the focus does not move for it (a current
        # cell set in code must not take a screen reader to the item table).
        strays = [s for s in said if s.startswith(self.NOT_THE_FOCUS)]
        e2e.check(not strays, "after %s Orca went to %r" % (name, strays))
        self.heard.append((name, utterance))
        self.pending = (name, phrase, start)
        print("%-28s Orca: «%s»" % (name, utterance))
        return said

    def focus(self, what, phrase, *keys):
        """Moves the focus with `keys` until Orca names the control with `phrase`."""
        self._close_previous()
        self.speech.mark()
        self.keys(*keys)
        self.speech.wait(what, phrase)

    def choose_in_menu(self, item, presses=20):
        """Down through the open menu until Orca says `item`."""
        self._close_previous()
        for _ in range(presses):
            self.speech.mark()
            self.keys("Down")
            said = self.speech.wait("the next menu item", "")
            if any(utterance.startswith(item) for utterance in said):
                print("%-28s Orca: %r" % ("Down to «%s»" % item, said))
                return
        raise e2e.Failure("«%s» not met in the menu after %d presses of Down" % (item, presses))

    def close_box(self):
        """Enter on a message box: it closes, and Orca tells where the focus went back."""
        self._close_previous()
        self.speech.mark()
        self.keys("Return")
        said = self.speech.wait("the box closed", "", timeout=10)
        print("%-28s Orca: %r" % ("Enter (the box closes)", said))

    def finish(self):
        # The last command's words had a second to come twice.
        time.sleep(1.0)
        self._close_previous()


def write_orca_settings(prefs):
    os.makedirs(prefs, exist_ok=True)
    with open(os.path.join(prefs, "user-settings.conf"), "w", encoding="utf-8") as out:
        json.dump(ORCA_SETTINGS, out, indent=1)
    with open(os.path.join(prefs, "orca-customizations.py"), "w", encoding="utf-8") as out:
        out.write(ORCA_CUSTOMIZATIONS)


def start_orca(desktop, scratch):
    prefs = os.path.join(scratch, "orca")
    write_orca_settings(prefs)
    log_path = os.path.join(scratch, "orca-debug.log")
    env = dict(desktop.env)
    # Orca keeps its caches and whatever it writes under a home of its own.
    home = os.path.join(scratch, "home")
    os.makedirs(home, exist_ok=True)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), LANG="C.UTF-8",
               LANGUAGE="", LC_ALL="C.UTF-8", GSETTINGS_BACKEND="memory")
    with open(os.path.join(scratch, "orca-output.log"), "wb") as output:
        orca = subprocess.Popen(["orca", "--user-prefs", prefs, "--debug-file", log_path],
                                env=env, stdout=output, stderr=subprocess.STDOUT)
    desktop.processes.append(orca)
    speech = Speech(log_path)

    def ready():
        if orca.poll() is not None:
            raise e2e.Failure("Orca ended at start with status %d" % orca.returncode)
        return any("Screen reader on" in said for said in speech.utterances())
    e2e.wait_for("Orca to start", ready, timeout=60)
    return orca, speech


def run_job(desktop, speech, program, workdir):
    job = Job(desktop, speech)
    # The player's keyboard: the Russian layout, so the searches are typed with its own keys.
    desktop.run(["setxkbmap", "ru"])
    speech.mark()
    desktop.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    desktop.env["QT_ACCESSIBILITY"] = "1"
    process, window = desktop.start_program(program)
    said = speech.wait("the window on the screen", "Добавить", timeout=30)
    print("%-28s Orca: %r" % ("the window shown", said))

    owner = desktop.own_clipboard(e2e.LISTING.encode("utf-8"))
    job.command("F2 «Добавить»", "Предметов в списке: 4", "F2")
    job.command("F5 «Пакетные»", "Пакет в буфере обмена: 4 строки", "F5")
    e2e.wait_for("xclip to give up the clipboard", lambda: owner.poll() is not None, timeout=5)

    # The list's menu from the keyboard, on the first two entries: it opens on its first
    # item, which is said; «Сравнить» is found by its words, wherever it stands in the menu.
    job.focus("the list", "Список предметов", "F8", "Tab", "Tab")
    job.keys("Home", "shift+Down")
    job.command("Shift+F10 (the list's menu)", "Копировать", "shift+F10")
    job.choose_in_menu("Сравнить")
    job.command("Enter on «Сравнить»", "Сравнение: «кольцо ветра» и «шлем стража»", "Return")
    job.focus("Escape (the comparison closes)", "Список предметов", "Escape")

    job.command("Shift+F4 «Очистить»", "Список пуст", "shift+F4")
    job.command("F11 «Отменить»", "Отменено: очистка, 0 предметов → 4 предметов", "F11")
    job.command("Shift+F11 «Вернуть»", "Возвращено: очистка, 4 предметов → 0 предметов",
                "shift+F11")
    job.command("F11 again", "Отменено: очистка, 0 предметов → 4 предметов", "F11")
    job.command("F8, «шлем», Enter", "Найдено: 1 предметов", "F8", typed="шлем",
                then=["Return"])
    job.command("F9, «защита», Enter", "Найдено: 2 предметов", "F9", typed="защита",
                then=["Return"])
    job.command("F12, «свет», Enter", "Предметов в списке: 1", "F12", typed="свет",
                then=["Return"])
    job.command("Alt+Shift+1 (quick save)", "Перезаписан 1 список предметов", "alt+shift+1")
    job.close_box()
    job.command("Shift+F4, Alt+1 (quick load)", "Предметов в списке: 1", "shift+F4", "alt+1")

    # Quick slot 2 cannot be written (a folder stands in its place): the error box says why.
    os.mkdir(os.path.join(workdir, "save2.txt"))
    job.command("Alt+Shift+2 (cannot save)", "save2.txt", "alt+shift+2")
    job.close_box()

    # The base file written again on disk: the program reads it again and says so.
    with open(os.path.join(workdir, "staff.hjt"), "rb") as base:
        content = base.read()
    with open(os.path.join(workdir, "staff.hjt"), "wb") as base:
        base.write(content)
    job.command("the base file changed", "База стафа перечитана: 10 предметов")
    job.finish()
    desktop.close_window(process, window)
    return job.heard


def run_inside_private_bus(program, staff_base):
    launcher = atspi_e2e.bus_launcher()
    if launcher is None:
        print("SKIPPED: no at-spi-bus-launcher (package at-spi2-core)")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="tarnbook-orca-") as scratch:
        workdir = os.path.join(scratch, "work")
        os.mkdir(workdir)
        shutil.copy(staff_base, os.path.join(workdir, "staff.hjt"))
        desktop = e2e.Desktop(workdir, scratch)
        try:
            desktop.start_server()
            if "ASAN_OPTIONS" in desktop.env:
                # A key event that Orca, slow under a sanitizer build, does not answer in time
                # stays in Qt's accessibility bridge to the end ("keyEventError ... NoReply"),
                # which the leak check reports as Qt's own. Leaks are checked by the other
                # desktop tests; this one is about what is spoken.
                desktop.env["ASAN_OPTIONS"] += ":detect_leaks=0"
            desktop.start_window_manager()
            atspi_e2e.start_accessibility_bus(desktop, launcher)
            orca, speech = start_orca(desktop, scratch)
            run_job(desktop, speech, program, workdir)
        except e2e.Skip as skip:
            print("SKIPPED: %s" % skip)
            return SKIP
        except (e2e.Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED: %s" % failure)
            desktop.save_failure_picture(os.path.abspath("orca-failure.xwd"))
            keep = os.path.abspath("orca-failure-debug.log")
            shutil.copy(os.path.join(scratch, "orca-debug.log"), keep)
            print("Orca's debug log: %s" % keep)
            for name in os.listdir(scratch):
                if name.startswith("program-"):
                    with open(os.path.join(scratch, name), encoding="utf-8",
                              errors="replace") as log:
                        print("The program's output (%s):\n%s" % (name, log.read().strip()))
            return 1
        finally:
            desktop.stop_all()
            if os.environ.get("TARNBOOK_ORCA_LOG"):
                shutil.copy(os.path.join(scratch, "orca-debug.log"),
                            os.environ["TARNBOOK_ORCA_LOG"])
    return 0


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    program, staff_base = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    if os.environ.get(INSIDE_PRIVATE_BUS):
        return run_inside_private_bus(program, staff_base)
    started = time.monotonic()
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: no screen reader test here: %s not installed (scripts/common.sh "
              "installs them; Orca is Debian's package orca)" % ", ".join(missing))
        return SKIP
    env = dict(os.environ)
    env[INSIDE_PRIVATE_BUS] = "1"
    status = subprocess.call(["dbus-run-session", "--", sys.executable,
                              os.path.abspath(__file__), program, staff_base], env=env)
    if status == 0:
        print("passed in %.1f s" % (time.monotonic() - started))
    return status


if __name__ == "__main__":
    sys.exit(main())
