"""A py3270-style ``Emulator`` on Orkan TN3270: scripts written for py3270 run after changing their
import line to ``from orkan3270.py3270 import Emulator``. Rows and columns count from 1, as in
py3270's methods; ``exec_command`` takes the s3270 actions scripts use most (their own 0-based
positions where s3270 has them).
"""

import re

from .errors import OrkanError, WaitTimeout
from .session import Session


class CommandError(Exception):
    pass


class TerminatedError(Exception):
    pass


class KeyboardStateError(Exception):
    pass


class FieldTruncateError(Exception):
    pass


class Command:
    """What ``exec_command`` gives back: the action, its data lines (bytes) and the status line."""

    def __init__(self, cmdstr, data=(), status_line=b"ok"):
        self.cmdstr = cmdstr
        self.data = list(data)
        self.status_line = status_line


class Emulator:
    def __init__(self, visible=False, timeout=30, app=None, args=None):
        # There is no window to show: `visible` and `app` are accepted and left aside.
        self.timeout = timeout
        self.is_terminated = False
        self._session = Session(args=tuple(args or ()), timeout=timeout)

    # ---- connection

    def connect(self, host):
        """``host``, ``host:port``, ``L:host[:port]`` (TLS) or ``LU@host[:port]``."""
        self._check()
        tls = None
        if host[:2].upper() == "L:":
            tls, host = True, host[2:]
        lu = None
        if "@" in host:
            lu, host = host.split("@", 1)
        try:
            self._session.connect(host, tls=tls, lu=lu, timeout=self.timeout)
        except OrkanError as e:
            raise CommandError(str(e)) from e

    def is_connected(self):
        if self.is_terminated:
            return False
        try:
            return self._session.screen(fields=False)["status"]["connection"] == "connected"
        except OrkanError:
            return False

    def terminate(self):
        if not self.is_terminated:
            self.is_terminated = True
            self._session.close()

    def __del__(self):
        try:
            self.terminate()
        except Exception:
            pass

    # ---- waiting and reading

    def wait_for_field(self):
        """Waits for the keyboard to be unlocked, as a screen with an input field does."""
        self._check()
        try:
            self._session.wait_unlocked(timeout=self.timeout)
        except WaitTimeout as e:
            raise KeyboardStateError(str(e)) from e
        except OrkanError as e:
            raise CommandError(str(e)) from e

    def string_get(self, ypos, xpos, length):
        self._check()
        return self._call(self._session.text, ypos, xpos, length)

    def string_found(self, ypos, xpos, string):
        return self.string_get(ypos, xpos, len(string)) == string

    # ---- typing

    def move_to(self, ypos, xpos):
        self._check()
        self._call(self._session.move, ypos, xpos)

    def send_string(self, tosend, ypos=None, xpos=None):
        self._check()
        if ypos is not None and xpos is not None:
            self.move_to(ypos, xpos)
        self._call(self._session.type, tosend)

    def delete_field(self):
        """Erases the input field the cursor is in, from its start; the cursor goes there."""
        self._check()
        screen = self._call(self._session.screen)
        row, column = screen.cursor
        columns = screen["columns"]
        at = (row - 1) * columns + column - 1
        for f in screen.fields:
            start = (f.row - 1) * columns + f.column - 1
            if not f.protected and start <= at < start + max(f.length, 1):
                self._call(self._session.move, f.row, f.column)
                break
        self._key("EraseEOF")

    def fill_field(self, ypos, xpos, tosend, length):
        if len(tosend) > length:
            raise FieldTruncateError(f'length limit {length}, but got "{tosend}"')
        self.move_to(ypos, xpos)
        self.delete_field()
        self.send_string(tosend)

    def send_enter(self):
        self._key("Enter")

    def send_clear(self):
        self._key("Clear")

    def send_pf(self, value):
        self._key(f"PF{int(value)}")

    def send_pa(self, value):
        self._key(f"PA{int(value)}")

    def save_screen(self, file_path):
        """The screen as HTML (text when the name ends in .txt)."""
        self._check()
        kind = "text" if str(file_path).lower().endswith(".txt") else "html"
        self._call(self._session.save, file_path, kind)

    # ---- s3270 actions

    _SIMPLE = {"enter": "Enter", "clear": "Clear", "tab": "Tab", "backtab": "BackTab", "home": "Home",
               "eraseeof": "EraseEOF", "eraseinput": "EraseInput", "reset": "Reset", "delete": "Delete",
               "backspace": "Backspace", "newline": "NewLine", "attn": "Attn", "sysreq": "SysReq",
               "insert": "Insert", "dup": "Dup", "fieldmark": "FieldMark", "up": "CursorUp", "down": "CursorDown",
               "left": "CursorLeft", "right": "CursorRight"}

    def exec_command(self, cmdstr):
        """Runs one s3270 action: Enter, Clear, PF(n), PA(n), Tab, BackTab, Home, EraseEOF,
        EraseInput, Reset, Delete, BackSpace, Newline, Attn, SysReq, String("text"),
        MoveCursor(row, col) (0-based), Ascii() / Ascii(row, col, length) (0-based),
        Wait(InputField), Wait(n, InputField), Connect(host), Disconnect."""
        self._check()
        text = cmdstr.decode() if isinstance(cmdstr, bytes) else str(cmdstr)
        m = re.fullmatch(r"\s*([A-Za-z]+)\s*(?:\((.*)\))?\s*", text, re.S)
        if not m:
            raise CommandError(f"not an action: {text}")
        name, args = m.group(1).lower(), self._arguments(m.group(2) or "")
        data = []
        if name in self._SIMPLE:
            self._key(self._SIMPLE[name])
        elif name in ("pf", "pa") and len(args) == 1:
            self._key(f"{name.upper()}{int(args[0])}")
        elif name == "string" and len(args) == 1:
            self._call(self._session.type, args[0])
        elif name == "movecursor" and len(args) == 2:
            self.move_to(int(args[0]) + 1, int(args[1]) + 1)
        elif name == "ascii":
            data = self._ascii([int(a) for a in args])
        elif name == "wait":
            self.wait_for_field()
        elif name == "connect" and len(args) == 1:
            self.connect(args[0])
        elif name == "disconnect":
            self._call(self._session.disconnect)
        else:
            raise CommandError(f"action not supported: {text}")
        return Command(text.encode(), [d.encode() for d in data])

    # ---- helpers

    @staticmethod
    def _arguments(text):
        out, current, quoted, i = [], "", False, 0
        while i < len(text):
            c = text[i]
            if quoted and c == "\\" and i + 1 < len(text):
                current += {"n": "\n", "t": "\t"}.get(text[i + 1], text[i + 1])
                i += 2
                continue
            if c == '"':
                quoted = not quoted
            elif c == "," and not quoted:
                out.append(current.strip())
                current = ""
            else:
                current += c
            i += 1
        if current.strip() or out:
            out.append(current.strip())
        return out

    def _ascii(self, args):
        screen = self._call(self._session.screen, False)
        rows = screen.lines
        if not args:
            return rows
        if len(args) == 3:
            row, column, length = args
            return [self.string_get(row + 1, column + 1, length)]
        if len(args) == 4:
            row, column, nrows, ncols = args
            return [r[column:column + ncols] for r in rows[row:row + nrows]]
        raise CommandError("Ascii takes no arguments, (row, col, length) or (row, col, rows, cols)")

    def _key(self, name):
        self._check()
        self._call(self._session.key, name)

    def _call(self, function, *args):
        try:
            return function(*args)
        except OrkanError as e:
            if e.code in ("keyboard_locked", "input_inhibited"):
                raise KeyboardStateError(str(e)) from e
            raise CommandError(str(e)) from e

    def _check(self):
        if self.is_terminated:
            raise TerminatedError("this Emulator has been terminated")


def _add_pf_methods():
    for n in range(1, 25):
        setattr(Emulator, f"send_pf{n}", lambda self, n=n: self.send_pf(n))


_add_pf_methods()
