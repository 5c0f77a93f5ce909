#!/usr/bin/python3
"""Reads the desktop program through the accessibility bus, as a screen reader does.

Run by tests/e2e/a11y_screen_reader.sh inside a private D-Bus session (dbus-run-session) with an
X server and testhost running. It starts the program, then checks, step by step: the terminal's
text against the screens testhost logged, the caret at testhost's cursor, the field description
as Tab moves, the text-changed events of a host write, the status bar's words, that a password
typed never reaches the bus, and that no control of the main window or of any dialog of the table
is without a name. Exit status 0 when all hold, 1 with the reason on stderr.

Arguments: PROGRAM HOST_LOG DIALOG_TABLE, the program's arguments after "--".
"""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

PASSWORD = "s3cret"
TAB_STEPS = 6
# Objects a user operates, which a screen reader names as it reaches them.
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_MENU_ITEM,
    pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_TOOL_BAR,
    pyatspi.ROLE_TERMINAL, pyatspi.ROLE_STATUS_BAR, pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_DIAL,
}
# Items inside a list or table are data, not controls; separators and plain containers need none.
ITEM_ROLES = {pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM,
              pyatspi.ROLE_TABLE_COLUMN_HEADER, pyatspi.ROLE_TABLE_ROW_HEADER}


class Failure(Exception):
    pass


def pump(seconds, until=None):
    """Runs the event loop for up to `seconds`; returns as soon as `until()` holds."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while context.pending():
            context.iteration(False)
        if until and until():
            return True
        time.sleep(0.02)
    return bool(until and until())


def waitfor(seconds, what, until):
    if not pump(seconds, until):
        raise Failure(what)


class Reader:
    def __init__(self, program, host_log, args):
        self.host_log = host_log
        self.events = []
        pyatspi.Registry.registerEventListener(
            self.heard, "object:text-changed", "object:text-caret-moved",
            "object:property-change:accessible-description", "object:property-change:accessible-name",
            "object:state-changed:focused")
        self.process = subprocess.Popen([program] + args, stdout=subprocess.DEVNULL)
        self.app = None
        waitfor(30, "the program did not appear on the accessibility bus", self.find_app)
        self.terminal = None
        waitfor(30, "no object of role terminal", self.find_terminal)
        self.window = subprocess.run(
            ["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(self.process.pid)],
            capture_output=True, text=True, timeout=30).stdout.split()[0]

    def heard(self, event):
        try:
            role = event.source.getRole()
        except Exception:
            role = None
        self.events.append((event.type, role, event.detail1, event.detail2, str(event.any_data), event.source))

    def find_app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.process.pid:
                self.app = app
                return True
        return False

    def find_terminal(self):
        self.terminal = pyatspi.findDescendant(self.app, lambda a: a.getRole() == pyatspi.ROLE_TERMINAL)
        return self.terminal is not None

    def status_bar(self):
        return pyatspi.findDescendant(self.app, lambda a: a.getRole() == pyatspi.ROLE_STATUS_BAR)

    def text(self):
        t = self.terminal.queryText()
        return t.getText(0, t.characterCount)

    def caret(self):
        return self.terminal.queryText().caretOffset

    def keys(self, *keys, main_window=True):
        """Types into the main window (focused first), or into whatever has the focus."""
        if main_window:
            subprocess.run(["xdotool", "windowfocus", "--sync", self.window], timeout=30, check=False)
        for key in keys:
            if key.startswith("type:"):
                subprocess.run(["xdotool", "type", "--delay", "40", key[5:]], timeout=30, check=True)
            else:
                subprocess.run(["xdotool", "key", "--delay", "150", key], timeout=30, check=True)

    def latest_screen(self):
        """The last screen testhost logged as sent: (rows, (row, column) of the cursor counted from 1)."""
        latest = ([], (0, 0))
        rows = []
        with open(self.host_log, encoding="utf-8", errors="replace") as log:
            for line in log:
                parts = line.rstrip("\n").split(" ", 3)
                if len(parts) < 4 or parts[2] != "SCREEN":
                    continue
                if parts[3].startswith("|"):
                    rows.append(parts[3][1:-1])
                elif parts[3].startswith("cursor "):
                    r, c = parts[3].split()[1].split(",")
                    latest = (rows, (int(r), int(c)))
                    rows = []
        return latest

    def shows_host_screen(self):
        rows, _ = self.latest_screen()
        return bool(rows) and self.text() == "\n".join(rows)

    def offset_of(self, cursor):
        rows, _ = self.latest_screen()
        return (cursor[0] - 1) * (len(rows[0]) + 1) + cursor[1] - 1

    def end(self):
        self.process.terminate()
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()


def unnamed_controls(root):
    """Paths of the showing controls below `root` that have no name, and how many take the focus."""
    missing = []
    focusable = [0]

    def walk(acc, path):
        try:
            role, name, states = acc.getRole(), acc.name, acc.getState()
        except Exception:
            return
        here = path + [f"{acc.getRoleName()} {name!r}"]
        if not states.contains(pyatspi.STATE_SHOWING) and role != pyatspi.ROLE_MENU_BAR:
            return
        control = role in CONTROL_ROLES or (states.contains(pyatspi.STATE_FOCUSABLE) and role not in ITEM_ROLES)
        if role in CONTROL_ROLES and states.contains(pyatspi.STATE_FOCUSABLE) and states.contains(pyatspi.STATE_ENABLED):
            focusable[0] += 1
        if control and not (name or "").strip():
            missing.append(" / ".join(here))
        if role in ITEM_ROLES:
            return
        for i in range(acc.childCount):
            walk(acc.getChildAtIndex(i), here)

    walk(root, [])
    return missing, focusable[0]


def events_since(reader, mark, kind):
    return [e for e in reader.events[mark:] if e[0].startswith(kind)]


# --- The steps: each types its keys, then checks what a screen reader has. ---

def logon_screen(r, _):
    waitfor(30, "the terminal's text is not testhost's logon screen", r.shows_host_screen)
    _, cursor = r.latest_screen()
    waitfor(5, f"the caret is not at the cursor {cursor}", lambda: r.caret() == r.offset_of(cursor))
    if "User id" not in r.terminal.description:
        raise Failure(f"the field under the cursor is described as {r.terminal.description!r}")


def tab_to_password(r, mark):
    _, cursor = r.latest_screen()
    password = r.offset_of((cursor[0] + 1, cursor[1]))
    waitfor(10, "Tab did not move the caret to the password field",
            lambda: any(e[2] == password for e in events_since(r, mark, "object:text-caret-moved")))
    waitfor(5, "the description did not change", lambda: events_since(r, mark, "object:property-change:accessible-desc"))
    description = r.terminal.description
    if not description.startswith("Password") or "hidden" not in description:
        raise Failure(f"the password field is described as {description!r}")


def typed_password(r, _):
    waitfor(10, "the description does not count the typed characters",
            lambda: f"{len(PASSWORD)} characters" in r.terminal.description)


def host_message(r, mark):
    waitfor(30, "the terminal's text is not testhost's screen with its message", r.shows_host_screen)
    rows, _ = r.latest_screen()
    message_row = next(i for i, row in enumerate(rows) if "Type a user id" in row)
    width = len(rows[0]) + 1
    changes = events_since(r, mark, "object:text-changed")
    outside = [e for e in changes if not message_row * width <= e[2] < (message_row + 1) * width]
    if not changes or outside:
        raise Failure(f"a host write changing row {message_row + 1} announced {changes}")
    if not any("Type a user id" in e[4] for e in changes if e[0].endswith("insert")):
        raise Failure(f"the message was not among the inserted text: {changes}")


def typed_user_id(r, mark):
    waitfor(10, "the typed user id was not heard",
            lambda: any(e[4] == "e" for e in events_since(r, mark, "object:text-changed:insert")))


def main_menu(r, mark):
    waitfor(30, "the terminal's text is not testhost's main menu",
            lambda: "MAIN MENU" in r.latest_screen()[0][0] and r.shows_host_screen())
    width = len(r.latest_screen()[0][0]) + 1
    inserted = [e[2] // width for e in events_since(r, mark, "object:text-changed:insert")]
    if inserted != sorted(inserted, reverse=True):
        raise Failure(f"with AnnounceLastRowsFirst the rows were announced in the order {inserted}")


def status_says(words):
    """A step's check: the status bar announced a change and now says `words`."""
    def check(r, mark):
        waitfor(10, f"the status bar does not say {words!r} but {r.status_bar().name!r}",
                lambda: words in r.status_bar().name)
        if not [e for e in events_since(r, mark, "object:property-change:accessible-name") if e[1] == pyatspi.ROLE_STATUS_BAR]:
            raise Failure("the status bar announced no change")
    return check


def selection_reads(r, _):
    """Shift and the arrows select from the cursor: the status bar says how much, the text interface
    gives the selected text, one range per row."""
    waitfor(10, f"the status bar names no selection but says {r.status_bar().name!r}",
            lambda: "1 row by 2 columns selected" in r.status_bar().name)
    t = r.terminal.queryText()
    if t.getNSelections() != 1:
        raise Failure(f"the terminal has {t.getNSelections()} selections, not 1")
    start, end = t.getSelection(0)
    if end - start != 2 or not start <= r.caret() <= end:
        raise Failure(f"the selection is {start}-{end}, not 2 cells at the caret {r.caret()}")


def main_window_names(r, _):
    missing, _ = unnamed_controls(r.app)
    if missing:
        raise Failure("controls without a name:\n  " + "\n  ".join(missing))
    # The key shown beside an item is its accelerator, not part of the name a reader says.
    items = [item.name or "" for item in pyatspi.findAllDescendants(
        r.app, lambda a: a.getRole() in (pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM))]
    with_key = [name for name in items if "\t" in name]
    if not items or with_key:
        raise Failure(f"menu item names with their key: {with_key!r}" if items else "no menu items")


# What is typed, then what must hold.
STEPS = [
    ("logon screen", [], logon_screen),
    ("Tab", ["Tab"], tab_to_password),
    ("password", ["type:" + PASSWORD], typed_password),
    ("Enter without a user id", ["Control_R"], host_message),
    ("user id", ["type:alice"], typed_user_id),
    ("logon", ["Control_R"], main_menu),
    ("typing into a protected field", ["Up", "type:x"], status_says("the cursor is in a protected field")),
    ("Reset", ["Escape"], status_says("Connected, TLS, keyboard unlocked")),
    ("Insert", ["Insert"], status_says("insert mode")),
    ("a selection", ["shift+Right", "shift+Right"], selection_reads),
    ("main window", [], main_window_names),
]


def dialog_rows(table):
    """The dialog tour's table: name, keys that open it, title, what the tour does, how it closes."""
    with open(table, encoding="utf-8") as f:
        return [line.rstrip("\n").split("\t")[:5] for line in f if line.strip() and not line.startswith("#")]


def top_window(acc):
    """The window an object is in; none once the object is gone."""
    try:
        while acc is not None and acc.parent is not None and acc.parent.getRole() != pyatspi.ROLE_APPLICATION:
            acc = acc.parent
        return acc
    except GLib.GError:
        return None


def role_and_name(acc):
    try:
        return acc.getRoleName(), acc.name
    except GLib.GError:
        return None


def focus_events(r, mark):
    return [e for e in r.events[mark:] if e[0] == "object:state-changed:focused" and e[2] == 1]


def walk_dialog(r, keys, title, pages):
    """Opens a dialog from the window's menus; what a keyboard user would miss in it."""
    mark = len(r.events)
    r.keys(*keys.split())
    windows = []

    def opened():
        windows[:] = [w for w in r.app if w is not None and w.name.strip() == title
                      and w.getState().contains(pyatspi.STATE_SHOWING)]
        return bool(windows)

    if not pump(20, opened):
        return [f"no window titled {title!r} appeared"]
    window = windows[0]
    # A dialog takes the keyboard; a window of its own (the macro debug window) leaves it where it is.
    if window.getRole() == pyatspi.ROLE_DIALOG and not pump(
            5, lambda: any(top_window(e[5]) == window for e in focus_events(r, mark))):
        return ["no control of it has the keyboard focus"]
    problems = []
    page_count = len(pyatspi.findAllDescendants(window, lambda a: a.getRole() == pyatspi.ROLE_PAGE_TAB))
    for page in range(max(page_count, 1) if pages else 1):
        if page > 0:
            r.keys("ctrl+Tab", main_window=False)
            pump(0.5)
        missing, focusable = unnamed_controls(window)
        where = f"page {page + 1}" if pages else "it"
        problems += [f"{where}: no name: {m}" for m in missing]
        # Tab walks its controls: each one it reaches is a shown control with a name.
        mark = len(r.events)
        r.keys(*["Tab"] * min(focusable, TAB_STEPS), main_window=False)
        pump(0.5)
        reached = {role_and_name(e[5]) for e in focus_events(r, mark)} - {None}
        if focusable > 1 and not reached:
            problems.append(f"{where}: Tab moves the focus nowhere among its {focusable} controls")
        problems += [f"{where}: Tab reaches {role} without a name" for role, name in reached
                     if not name.strip()]
    return problems


def walk_dialogs(r, table):
    problems = []
    for name, keys, title, action, close in dialog_rows(table):
        problems += [f"{name}: {p}" for p in walk_dialog(r, keys, title.strip(), action == "pages")]
        # Escape closes every dialog; a window of its own ("-") stays.
        if close != "-":
            r.keys("Escape", main_window=False)
            pump(10, lambda: not any(w is not None and w.name.strip() == title.strip() for w in r.app))
    if problems:
        raise Failure("dialogs:\n  " + "\n  ".join(problems))


def main():
    program, host_log, table = sys.argv[1:4]
    reader = Reader(program, host_log, sys.argv[5:])
    try:
        for name, keys, check in STEPS:
            mark = len(reader.events)
            reader.keys(*keys)
            try:
                check(reader, mark)
            except Failure as f:
                raise Failure(f"{name}: {f}") from None
        walk_dialogs(reader, table)
        leaked = [e for e in reader.events if PASSWORD in e[4]]
        if leaked or PASSWORD in reader.text():
            raise Failure(f"the password reached the bus: {leaked}")
    except Failure as f:
        print(f"FAIL: {f}", file=sys.stderr)
        return 1
    finally:
        reader.end()
    print(f"PASS: {len(STEPS)} steps, {len(reader.events)} events heard")
    return 0


if __name__ == "__main__":
    sys.exit(main())
