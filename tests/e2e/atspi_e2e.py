#!/usr/bin/env python3
"""The real Tarnbook program as a screen reader reads it: through the AT-SPI bus.

Runs on a private X server (Xvfb and openbox, started as tests/e2e/desktop_e2e.py does) inside
a private D-Bus session (dbus-run-session) with its own accessibility bus (at-spi-bus-launcher
--launch-immediately); the program runs with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 in a fresh
folder with the example staff base. Two checks:

  tree      walks the program's accessibility tree and fails on any visible focusable control
            without a name, on two buttons with the same name, and on any hidden control in the
            tree (the stores and buffers the player never sees); the colour pickers must say
            their purpose and colour, hold their list of the 50 colour names as a child, and
            announce a colour chosen with the Down key as a name-change event;
  keyboard  a player without mouse or screen, the Russian keyboard layout active: another
            program (xclip) holds a game listing; key presses alone (xdotool key) add it with
            F2, move to the list and to an entry, run "Копировать все" from the list's menu
            (Shift+F10, Down, Enter), build "Пакетные" with F5, save quick slot 1, clear the
            list and load the slot again, and put an identified item into the capture file
            with Shift+F2 («В базу») and find it by name with F8. The count, the entry's lore line by line and its
            slot are read through AT-SPI as Orca would, the count's change must come as a
            name-change event, and the clipboard is read back byte for byte. (What Orca
            itself says: tests/e2e/orca_e2e.py.)

Usage: atspi_e2e.py tree|keyboard PROGRAM STAFF_BASE

Exit status 0 when every check passes, 1 on a failure, 77 (reported by CTest as skipped) when
the tools are missing or no X server or bus can start; the reason is printed on one line.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import warnings

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import desktop_e2e as e2e  # noqa: E402  (the X server, window manager and clipboard helpers)

warnings.filterwarnings("ignore", category=DeprecationWarning)

SKIP = 77
TOOLS = ["Xvfb", "openbox", "xclip", "xdotool", "xprop", "wmctrl", "dbus-run-session",
         "dbus-daemon", "dbus-send", "setxkbmap"]
BUS_LAUNCHERS = ["/usr/libexec/at-spi-bus-launcher",
                 "/usr/lib/at-spi2-core/at-spi-bus-launcher"]
INSIDE_PRIVATE_BUS = "TARNBOOK_ATSPI_PRIVATE_BUS"

# "Пакетные" over the list after the paste (prefix empty, "добавить 'все.'" clear).
PACKET = (" кольцо.ветра\r\n шлем.стража\r\n посох.ученика\r\n .\r\n\r\n").encode("utf-8")
COPY_ALL = "".join(entry + "\r\n" for entry in e2e.LIST_AFTER_PASTE).encode("utf-8")
# The colour names each colour picker lists, in any order.
COLOUR_NAMES = sorted([
    "clBlack", "clMaroon", "clGreen", "clOlive", "clNavy", "clPurple", "clTeal", "clGray",
    "clSilver", "clRed", "clLime", "clYellow", "clBlue", "clFuchsia", "clAqua", "clWhite",
    "clMoneyGreen", "clSkyBlue", "clCream", "clMedGray", "clActiveBorder", "clActiveCaption",
    "clAppWorkSpace", "clBackground", "clBtnFace", "clBtnHighlight", "clBtnShadow", "clBtnText",
    "clCaptionText", "clGradientActiveCaption", "clGradientInactiveCaption", "clGrayText",
    "clHighlight", "clHighlightText", "clHotLight", "clInactiveBorder", "clInactiveCaption",
    "clInactiveCaptionText", "clInfoBk", "clInfoText", "clMenu", "clMenuBar", "clMenuHighlight",
    "clMenuText", "clScrollBar", "cl3DDkShadow", "cl3DLight", "clWindow", "clWindowFrame",
    "clWindowText"])
BACKGROUND_PICKER = "Цвет фона списка, описания и полей поиска"
TEXT_PICKER = "Цвет текста списка, описания и полей поиска"
# The record of the list's second entry in the example base, line by line.
ENTRY_TWO_LORE = ["Предмет 'шлем стража', Тип предмета: Броня", "Вн  Ва  Пл  Рс",
                  "Оценка: 8, 7, 9, 8", "Вы можете одеть это на голову.", "мин.уровень 10",
                  "Модификаторы :", "защита +5", "здоровье +10", "Места лоада: Казармы"]


def python_with_atspi():
    """An interpreter that has the AT-SPI bindings: this one, else the system's."""
    candidates = [sys.executable, "/usr/bin/python3"]
    for python in candidates:
        if python and os.path.exists(python) and subprocess.run(
                [python, "-c", "import gi; gi.require_version('Atspi', '2.0'); "
                 "from gi.repository import Atspi"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            return python
    return None


class Bus:
    """The program's accessibility objects as a screen reader sees them."""

    def __init__(self, atspi, glib):
        self.Atspi = atspi
        self.GLib = glib
        self.events = []
        self.listener = atspi.EventListener.new(self._on_event)
        self.listener.register("object:property-change:accessible-name")

    def _on_event(self, event):
        try:
            self.events.append((event.type, event.source.get_role_name(),
                                event.source.get_name()))
        except Exception:  # the source may be gone already
            pass

    def pump(self):
        context = self.GLib.MainContext.default()
        while context.iteration(False):
            pass

    def wait(self, what, probe, timeout=15.0, state=None):
        def pumped():
            self.pump()
            try:
                return probe()
            except self.GLib.Error:  # an object replaced meanwhile: ask again
                return None
        return e2e.wait_for(what, pumped, timeout=timeout, state=state)

    def application(self, pid):
        desktop = self.Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                continue
        return None

    def walk(self, node):
        """Every object under `node`; the rows and cells of lists and tables, and the
        drop-down list inside a combo box (Qt's own, hidden while closed), are not walked."""
        yield node
        role = node.get_role()
        if role in (self.Atspi.Role.LIST, self.Atspi.Role.TABLE, self.Atspi.Role.TREE_TABLE,
                    self.Atspi.Role.LIST_BOX):
            return
        for i in range(node.get_child_count()):
            child = node.get_child_at_index(i)
            if child is None:
                continue
            if role == self.Atspi.Role.COMBO_BOX and child.get_role() in (
                    self.Atspi.Role.LIST, self.Atspi.Role.LIST_BOX, self.Atspi.Role.MENU):
                continue
            yield from self.walk(child)

    def states(self, node):
        state_set = node.get_state_set()
        S = self.Atspi.StateType
        return {name for name, value in (("visible", S.VISIBLE), ("showing", S.SHOWING),
                                         ("focusable", S.FOCUSABLE), ("focused", S.FOCUSED))
                if state_set.contains(value)}

    def fresh(self, app):
        """Forgets what the bindings keep of the tree: the program replaces objects (the lore
        view's after a new record) and the kept ones then answer nothing."""
        app.clear_cache()
        return app

    def find(self, app, role_name, name_start=""):
        for node in self.walk(self.fresh(app)):
            if node.get_role_name() == role_name and node.get_name().startswith(name_start):
                return node
        return None

    def focused(self, app):
        for node in self.walk(self.fresh(app)):
            if "focused" in self.states(node):
                return node
        return None

    def describe(self, node):
        return "%s %r" % (node.get_role_name(), node.get_name()) if node else "nothing"


def check_pickers(bus, app, desktop):
    """Each colour picker holds its drop-down list of colour names as a child, as every other
    combo box does, and a colour chosen from the keyboard is told as a new name."""
    Atspi = bus.Atspi
    pickers = [node for node in bus.walk(bus.fresh(app))
               if node.get_role() == Atspi.Role.COMBO_BOX and node.get_name().startswith("Цвет ")]
    for picker in pickers:
        lists = [picker.get_child_at_index(i) for i in range(picker.get_child_count())]
        lists = [child for child in lists if child is not None and child.get_role() in (
            Atspi.Role.LIST, Atspi.Role.LIST_BOX)]
        e2e.check(len(lists) == 1, "%s has %d lists as children" % (bus.describe(picker),
                                                                  len(lists)))
        names = [lists[0].get_child_at_index(i).get_name()
                 for i in range(lists[0].get_child_count())]
        e2e.check(sorted(names) == COLOUR_NAMES, "%s lists %d colour names: %r"
                  % (bus.describe(picker), len(names), names))
    print("colour pickers: each holds a list of the %d colour names" % len(COLOUR_NAMES))

    background = bus.find(app, "combo box", BACKGROUND_PICKER)
    Atspi.Component.grab_focus(background)

    def focus_on_background():
        node = bus.focused(app)
        return node is not None and node.get_role() == Atspi.Role.COMBO_BOX and \
            node.get_name().startswith(BACKGROUND_PICKER)
    bus.wait("the focus on the background picker", focus_on_background,
             state=lambda: bus.describe(bus.focused(app)))
    bus.events.clear()
    desktop.xdotool("key", "Down")
    told = BACKGROUND_PICKER + ": clMaroon"
    bus.wait("«%s» said" % told, lambda: any(event[2] == told for event in bus.events),
             state=lambda: bus.events)
    print("Down on the background picker: «%s» announced as its new name" % told)


def check_tree(bus, app, desktop):
    Atspi = bus.Atspi
    nameless, hidden, button_names = [], [], []
    count = 0
    for node in bus.walk(app):
        count += 1
        role = node.get_role_name()
        states = bus.states(node)
        if node.get_role() == Atspi.Role.APPLICATION:
            continue
        if "visible" not in states:
            # Qt's own hidden parts: scroll bars and their frames, the splitter's first
            # handle. Anything else hidden is a control the player never sees.
            if node.get_role() in (Atspi.Role.SCROLL_BAR, Atspi.Role.FILLER, Atspi.Role.PANEL,
                                   Atspi.Role.SPLIT_PANE, Atspi.Role.SEPARATOR,
                                   Atspi.Role.UNKNOWN):
                continue
            hidden.append(bus.describe(node))
            continue
        if "focusable" in states and not node.get_name():
            nameless.append(role)
        if node.get_role() == Atspi.Role.PUSH_BUTTON:
            button_names.append(node.get_name())
    duplicates = sorted({name for name in button_names if button_names.count(name) > 1})
    e2e.check(not nameless, "visible focusable controls without a name: %s" % nameless)
    e2e.check(not duplicates, "buttons with the same name: %s" % duplicates)
    e2e.check(not hidden, "hidden controls in the accessibility tree: %s" % hidden)
    e2e.check(len(button_names) == 20, "%d buttons in the tree, the window shows 20: %s"
              % (len(button_names), button_names))
    print("tree: %d objects, %d buttons, every focusable control named, nothing hidden"
          % (count, len(button_names)))
    # The colour pickers say their purpose and their colour; the community link is a link.
    pickers = sorted(node.get_name() for node in bus.walk(app)
                     if node.get_role() == Atspi.Role.COMBO_BOX
                     and node.get_name().startswith("Цвет "))
    e2e.check(pickers == [TEXT_PICKER + ": clSilver", BACKGROUND_PICKER + ": clBlack"],
              "the colour pickers read %r" % pickers)
    links = [node.get_name() for node in bus.walk(app) if node.get_role() == Atspi.Role.LINK]
    e2e.check(links == ["Открыть группу вконтакте"], "links in the tree: %r" % links)
    print("colour pickers: %s; link: %s" % ("; ".join(pickers), links[0]))
    check_pickers(bus, app, desktop)


# What «В базу» takes from the clipboard: an item that the example base does not hold.
CAPTURE_PASTE = ("123H 80M 400V Вых:СЮ> опознать кольцо\r\n"
                 "Предмет 'кольцо вихря', Тип предмета: Броня\r\n"
                 "Вы можете одеть это на палец.\r\n"
                 "мин.уровень 18\r\n"
                 "\r\n"
                 "<123H 80M 400V>\r\n")


def check_keyboard(bus, app, desktop, window):
    Atspi = bus.Atspi

    def key(*names):
        for name in names:
            desktop.xdotool("key", name)

    def focused_is(role, name_start):
        node = bus.focused(app)
        return node is not None and node.get_role_name() == role and \
            node.get_name().startswith(name_start)

    bus.wait("the focus on «Добавить»", lambda: focused_is("push button", "Добавить"),
             state=lambda: bus.describe(bus.focused(app)))
    owner = desktop.own_clipboard(e2e.LISTING.encode("utf-8"))
    bus.events.clear()
    key("F2")
    count = bus.wait("the count label to say 4", lambda: bus.find(app, "label", "4 предметов"))
    bus.wait("the count's name-change event",
             lambda: any(event[2] == "4 предметов" for event in bus.events),
             state=lambda: bus.events)
    time.sleep(0.2)
    bus.pump()
    told = [event for event in bus.events if event[2] == "4 предметов"]
    e2e.check(len(told) == 1, "the new count was announced %d times" % len(told))
    e2e.check(focused_is("push button", "Добавить"),
              "after F2 the focus left «Добавить» for %s" % bus.describe(bus.focused(app)))
    print("F2: %s, announced; the focus stayed on «Добавить»" % bus.describe(count))

    key("Tab", "Tab", "Tab", "Tab", "Tab")
    bus.wait("the focus in the list", lambda: bus.focused(app) is not None and
             bus.focused(app).get_role_name() in ("list", "list item"),
             state=lambda: bus.describe(bus.focused(app)))
    key("Down")

    def lore_view():
        return bus.find(app, "text", "Описание предмета")

    def lore_lines():
        """The lore view's lines as a screen reader reads them, one line after another."""
        view, lines, offset = lore_view(), [], 0
        total = Atspi.Text.get_character_count(view)
        while offset < total and len(lines) < 200:
            # Qt answers the older call of the two that read a line.
            line = Atspi.Text.get_text_at_offset(view, offset, Atspi.TextBoundaryType.LINE_START)
            lines.append(line.content.rstrip("\n"))
            # The next line starts after this one's line break.
            ends_with_break = line.content.endswith("\n")
            offset = max(line.end_offset + (0 if ends_with_break else 1), offset + 1)
        return lines
    lines = bus.wait("the lore of «шлем стража»",
                     lambda: (lambda read: read if read[:1] == ENTRY_TWO_LORE[:1] else None)(
                         lore_lines()), state=lambda: lore_lines()[:2])
    e2e.check(lines == ENTRY_TWO_LORE, "the lore read line by line through AT-SPI:\n  %r\n"
              "the record in the base:\n  %r" % (lines, ENTRY_TWO_LORE))
    slot = bus.wait("the slot label", lambda: bus.find(app, "label", "Слот: "))
    e2e.check(slot.get_name() == "Слот: Голова", "slot label reads %r" % slot.get_name())
    told = [event for event in bus.events if event[2] == "Слот: Голова"]
    e2e.check(len(told) == 1, "the new slot was announced %d times" % len(told))
    print("Down: the lore read line by line (%d lines as in the base); %s"
          % (len(lines), slot.get_name()))

    # The list's menu from the keyboard: it opens on its first command, Down moves to
    # "Копировать все", Enter runs it.
    key("shift+F10", "Down", "Return")
    copied = e2e.wait_for("«Копировать все» on the clipboard",
                          lambda: desktop.clipboard_unless(e2e.LISTING.encode("utf-8")))
    e2e.check_bytes("the list copied through its menu", copied, COPY_ALL)
    e2e.wait_for("xclip to give up the clipboard", lambda: owner.poll() is not None, timeout=5)
    bus.wait("the focus back in the list", lambda: bus.focused(app) is not None and
             bus.focused(app).get_role_name() in ("list", "list item"),
             state=lambda: bus.describe(bus.focused(app)))
    print("Shift+F10, Down, Enter: «Копировать все» ran from the list's menu")

    key("F5")
    packet = e2e.wait_for("the packet on the clipboard", lambda: desktop.clipboard_unless(copied))
    e2e.check_bytes("the packet read from the clipboard", packet, PACKET)
    print("F5: packet on the clipboard, %d bytes as expected" % len(packet))

    # Quick slot 1: Alt+Shift+1 saves (its message box closes with Enter), Shift+F4 clears,
    # Alt+1 loads it again; the list holds as many entries as a screen reader counts in it.
    def list_says(count):
        node = bus.find(app, "list", "Список предметов")
        return node is not None and node.get_child_count() == count
    key("alt+shift+1")
    e2e.wait_for("save1.txt", lambda: os.path.exists(os.path.join(desktop.workdir, "save1.txt")))
    time.sleep(0.3)
    key("Return", "shift+F4")
    bus.wait("an empty list", lambda: list_says(0))
    key("alt+1")
    bus.wait("the list loaded from slot 1", lambda: list_says(4))
    print("Alt+Shift+1, Shift+F4, Alt+1: slot 1 saved, the list cleared and loaded again")

    # The list's history: F11 undoes and Shift+F11 redoes with the Russian layout alone; the
    # count label says what was undone or redone.
    bus.events.clear()
    key("F11")
    bus.wait("the slot's load undone", lambda: list_says(0))
    undone = "Отменено: загрузка ячейки 1, 4 предметов → 0 предметов"
    bus.wait("«%s» said" % undone, lambda: any(event[2] == undone for event in bus.events),
             state=lambda: bus.events)
    key("shift+F11")
    bus.wait("the load made again", lambda: list_says(4))
    print("F11, Shift+F11: the slot's load undone and made again, said as «%s»" % undone)
    # Ctrl with the keys that carry Z and Y (Я and Н in the Russian layout) works where a Latin
    # layout is installed beside the active Russian one.
    desktop.run(["setxkbmap", "-layout", "ru,us"])
    key("ctrl+Cyrillic_ya")
    bus.wait("Ctrl+Z (Я) undoing the load", lambda: list_says(0))
    key("ctrl+Cyrillic_en")
    bus.wait("Ctrl+Y (Н) making it again", lambda: list_says(4))
    key("ctrl+Cyrillic_ya", "ctrl+shift+Cyrillic_ya")
    bus.wait("Ctrl+Shift+Z (Я) making it again", lambda: list_says(4))
    print("Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z with the Russian layout active beside a Latin one")

    # «Сравнить» from the keyboard: the first two entries selected, Shift+F3, the comparison
    # read through AT-SPI, Escape back to the window.
    bus.wait("the focus in the list", lambda: bus.focused(app) is not None and
             bus.focused(app).get_role_name() in ("list", "list item"),
             state=lambda: bus.describe(bus.focused(app)))
    key("Home", "shift+Down", "shift+F3")
    title = "Сравнение: «кольцо ветра» и «шлем стража»"
    dialog = bus.wait("the comparison", lambda: bus.find(app, "dialog", title),
                      state=lambda: [bus.describe(node) for node in bus.walk(bus.fresh(app))
                                     if node.get_role_name() in ("dialog", "frame")])
    nameless = [bus.describe(node) for node in bus.walk(dialog)
                if "focusable" in bus.states(node) and not node.get_name()]
    e2e.check(not nameless, "nameless controls in the comparison: %s" % nameless)
    for role, name in (("table", "Числа двух предметов"), ("text", "Описание «кольцо ветра»"),
                       ("text", "Описание «шлем стража»")):
        e2e.check(bus.find(dialog, role, name) is not None,
                  "no %s «%s» in the comparison" % (role, name))
    table = bus.find(dialog, "table", "Числа двух предметов")
    cell = Atspi.Table.get_accessible_at(table, 0, 1)
    cell_name = cell.get_name() if cell is not None else None
    e2e.check(cell_name is not None and cell_name.startswith("оценка "),
              "the first value cell reads %r" % cell_name)
    key("Escape")
    bus.wait("the comparison closed", lambda: bus.find(bus.fresh(app), "dialog", title) is None)
    print("Home, Shift+Down, Shift+F3: «%s», its table and both lores named, the first value "
          "cell read as «%s»; Escape closed it" % (title, cell_name))

    # F1: the help in a window of its own, a read-only text that names every key, Escape back.
    key("F1")
    help_title = "Справка Tarnbook"
    help_dialog = bus.wait("the help", lambda: bus.find(app, "dialog", help_title),
                           state=lambda: [bus.describe(node) for node in bus.walk(bus.fresh(app))
                                          if node.get_role_name() in ("dialog", "frame")])
    help_text = bus.find(help_dialog, "text", "Справка: клавиши")
    e2e.check(help_text is not None, "no named text in the help")
    e2e.check(not help_text.get_state_set().contains(Atspi.StateType.EDITABLE),
              "the help's text is editable")
    content = Atspi.Text.get_text(help_text, 0, Atspi.Text.get_character_count(help_text))
    for line in ("F1: эта справка", "Shift+F3: Сравнить два выделенных предмета",
                 "F2: Добавить предметы из буфера обмена"):
        e2e.check(line in content.split("\n"), "the help lacks the line «%s»" % line)
    bus.wait("the focus in the help", lambda: focused_is("text", "Справка: клавиши"),
             state=lambda: bus.describe(bus.focused(app)))
    key("Escape")
    bus.wait("the help closed", lambda: bus.find(bus.fresh(app), "dialog", help_title) is None)
    print("F1: «%s», its text read through AT-SPI with every key; Escape closed it"
          % help_title)

    # «В базу» from the keyboard: an identify output on the clipboard, with the client's echo
    # and prompt around it, Shift+F2; the item is then found by the name search.
    owner = desktop.own_clipboard(CAPTURE_PASTE.encode("utf-8"))
    key("shift+F2")
    e2e.wait_for("staff-new.hjt", lambda: os.path.exists(
        os.path.join(desktop.workdir, "staff-new.hjt")))
    key("F8", "Cyrillic_ve", "Cyrillic_i", "Cyrillic_ha", "Cyrillic_er", "Return")
    bus.wait("the captured item found by name", lambda: list_says(1))
    found = bus.find(app, "list", "Список предметов").get_child_at_index(0).get_name()
    e2e.check(found.startswith("кольцо вихря"), "the name search found %r" % found)
    owner.terminate()  # nothing takes the clipboard from it here
    owner.wait(timeout=5)
    print("Shift+F2: staff-new.hjt written; F8, «вихр», Enter: found «%s»" % found)


def bus_launcher():
    """The accessibility bus launcher of this system, or None."""
    return next((path for path in BUS_LAUNCHERS if os.path.exists(path)), None)


def start_accessibility_bus(desktop, launcher):
    """Starts the accessibility bus on the desktop's session bus and waits until it answers;
    e2e.Skip when it never does."""
    desktop.spawn([launcher, "--launch-immediately"], stderr=subprocess.DEVNULL)

    def bus_address():
        return desktop.run(["dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           check=False).returncode == 0
    # The session bus may also start a launcher of its own when asked for the address; either
    # one serves.
    try:
        e2e.wait_for("the accessibility bus", bus_address)
    except e2e.Failure as failure:
        raise e2e.Skip("no accessibility bus: %s" % failure)


def run_inside_private_bus(mode, program, staff_base):
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib

    launcher = bus_launcher()
    if launcher is None:
        print("SKIPPED: no at-spi-bus-launcher (package at-spi2-core)")
        return SKIP
    with tempfile.TemporaryDirectory(prefix="tarnbook-atspi-") as scratch:
        workdir = os.path.join(scratch, "work")
        os.mkdir(workdir)
        shutil.copy(staff_base, os.path.join(workdir, "staff.hjt"))
        desktop = e2e.Desktop(workdir, scratch)
        try:
            desktop.start_server()
            desktop.start_window_manager()
            start_accessibility_bus(desktop, launcher)
            if Atspi.init() not in (0, 1):
                raise e2e.Skip("AT-SPI could not reach the accessibility bus")
            bus = Bus(Atspi, GLib)
            if mode == "keyboard":
                # The player's keyboard: the Russian layout only, so every key below goes in
                # through it.
                desktop.run(["setxkbmap", "ru"])
            desktop.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
            desktop.env["QT_ACCESSIBILITY"] = "1"
            process, window = desktop.start_program(program)
            app = bus.wait("the program on the accessibility bus",
                           lambda: bus.application(process.pid))
            bus.wait("the window in the tree", lambda: bus.find(app, "push button", "Добавить"))
            if mode == "tree":
                check_tree(bus, app, desktop)
            else:
                check_keyboard(bus, app, desktop, window)
            desktop.close_window(process, window)
        except e2e.Skip as skip:
            print("SKIPPED: %s" % skip)
            return SKIP
        except (e2e.Failure, subprocess.TimeoutExpired) as failure:
            print("FAILED: %s" % failure)
            desktop.save_failure_picture(os.path.abspath("atspi-%s-failure.xwd" % mode))
            return 1
        finally:
            desktop.stop_all()
    return 0


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("tree", "keyboard"):
        print(__doc__)
        return 2
    mode, program, staff_base = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3]
    if os.environ.get(INSIDE_PRIVATE_BUS):
        return run_inside_private_bus(mode, program, staff_base)
    started = time.monotonic()
    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("SKIPPED: no accessibility bus test here: %s not installed (scripts/common.sh "
              "installs them)" % ", ".join(missing))
        return SKIP
    python = python_with_atspi()
    if python is None:
        print("SKIPPED: no Python with the AT-SPI bindings (packages python3-pyatspi, "
              "gir1.2-atspi-2.0)")
        return SKIP
    env = dict(os.environ)
    env[INSIDE_PRIVATE_BUS] = "1"
    status = subprocess.call(["dbus-run-session", "--", python, os.path.abspath(__file__),
                              mode, program, staff_base], env=env)
    if status == 0:
        print("passed in %.1f s" % (time.monotonic() - started))
    return status


if __name__ == "__main__":
    sys.exit(main())
