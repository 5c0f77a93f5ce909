"""One Orkan TN3270 session driven through the automation interface (docs/api.md).

Each Session is its own ``orkan3270 --headless --api`` process; requests go to it as JSON lines.
A Session may be used from several threads (each answer goes to the thread that asked; event
callbacks run in whichever thread reads them) and many Sessions may run at once.
"""

import base64
import itertools
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from .errors import OrkanError, ProgramEnded, error_from_answer

# Seconds the client waits beyond a request's own time-out before it gives up on the program.
_MARGIN = 30.0
_LOG_LOCK = threading.Lock()
# Seconds without a request after which the background thread reads the program's events, and how
# often it looks again while requests read them (waking it for every answer would cost more).
_IDLE_READ_DELAY = 0.005
_BUSY_RECHECK = 0.05


def find_program():
    """The program: $ORKAN3270 when set, else ``orkan3270`` on PATH."""
    program = os.environ.get("ORKAN3270") or shutil.which("orkan3270")
    if not program:
        raise ProgramEnded("not_found", "orkan3270 is not on PATH; set ORKAN3270 to the program's path")
    return program


def _log(line, direction, path=None):
    # Every line exchanged, for whoever checks them (the test suite validates them all).
    path = path or os.environ.get("ORKAN3270_API_LOG")
    if not path:
        return
    record = (json.dumps({"direction": direction, "line": line}) + "\n").encode()
    with _LOG_LOCK:
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o600)
        try:
            os.write(fd, record)
        finally:
            os.close(fd)


def _select_is_patched():
    monkey = sys.modules.get("gevent.monkey")
    return bool(monkey and monkey.is_module_patched("select"))


# Wait conditions (docs/api.md, "Wait conditions").
def unlocked(quiet_ms=0):
    return {"kind": "unlocked", "quiet_ms": quiet_ms}


def text(value, row=None, column=None, ignore_case=False, absent=False):
    c = {"kind": "text", "text": value}
    if row is not None:
        c.update(row=row, column=column)
    if ignore_case:
        c["ignore_case"] = True
    if absent:
        c["absent"] = True
    return c


def cursor(row, column):
    return {"kind": "cursor", "row": row, "column": column}


def cursor_in_field(row, column):
    return {"kind": "cursor_in_field", "row": row, "column": column}


def changed(since):
    return {"kind": "changed", "since": since}


def disconnected():
    return {"kind": "disconnected"}


class Field(dict):
    """A field of the screen: row, column, length, protected, numeric, intensified, hidden,
    modified, colour, highlight, text (as attributes too)."""

    __getattr__ = dict.__getitem__


class Screen(dict):
    """The screen: ``rows`` (text lines), ``fields``, ``cursor`` (row, column), ``status``,
    ``status_line``, ``seq``."""

    @property
    def lines(self):
        return self["text"]

    @property
    def fields(self):
        return [Field(f) for f in self.get("fields", [])]

    @property
    def cursor(self):
        return (self["cursor"]["row"], self["cursor"]["column"])

    @property
    def status(self):
        return self["status"]

    @property
    def status_line(self):
        return self["status_line"]

    @property
    def seq(self):
        return self["seq"]

    def __str__(self):
        return "\n".join(self["text"])

    def masked_text(self):
        """The rows with every hidden field's cells written as '*' (the program already shows them
        blank; this also covers what the screen shows there)."""
        rows = [list(r) for r in self["text"]]
        columns = self["columns"]
        for f in self.fields:
            if not f.hidden:
                continue
            start = (f.row - 1) * columns + f.column - 1
            for i in range(f.length):
                at = (start + i) % (len(rows) * columns)
                rows[at // columns][at % columns] = "*"
        return "\n".join("".join(r) for r in rows)


class Session:
    """A session process. Use it as a context manager, or call ``close()``::

        with Session() as s:
            s.connect("127.0.0.1:3270")
            s.fill("me", label="User id")
            s.enter()
            s.wait_text("MAIN MENU")
    """

    def __init__(self, host=None, *, program=None, args=(), timeout=30.0, private_runtime=True, env=None,
                 on_event=None, **connect_options):
        """``on_event`` is called with every event (a dict) in whichever thread reads it; it must
        not make requests of this session."""
        self.timeout = timeout
        self.on_event = on_event
        self.last_error = None
        self.seq = 0
        self.status = {}
        self.events = []  # the last events, newest last
        self.last_answer_at = None  # time.perf_counter() when the last answer came in
        self._ids = itertools.count(1)
        self._pending = {}  # request id -> the list its answer goes into
        self._cv = threading.Condition()  # requests waiting for their answer or for their turn to read
        self._waiting = 0
        self._idle = threading.Condition(self._cv._lock)  # the background reader's own
        self._reading = False  # a thread is reading the program's output
        self._last_request = time.monotonic()
        self._buffer = bytearray()
        self._write_lock = threading.Lock()
        self._closed = False
        self._log_path = os.environ.get("ORKAN3270_API_LOG")
        self._ended = None
        self.hello = None
        self._runtime_dir = None
        process_env = dict(os.environ if env is None else env)
        if private_runtime:
            # A folder of its own: its sessions do not count against the user's 36 session letters.
            self._runtime_dir = tempfile.mkdtemp(prefix="orkan3270-run-")
            process_env["XDG_RUNTIME_DIR"] = self._runtime_dir
        self._stderr = tempfile.TemporaryFile()
        command = [program or find_program(), "--headless", "--api", *args]
        try:
            self._process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                             stderr=self._stderr, env=process_env)
        except OSError as e:
            self._cleanup()
            raise ProgramEnded("not_started", f"{command[0]} cannot be started: {e}") from e
        self._fd = self._process.stdout.fileno()
        self._in_fd = self._process.stdin.fileno()
        # Where gevent has patched select (Locust), a read waits in poll() first so other greenlets
        # run meanwhile; elsewhere the read itself waits, one system call instead of two.
        self._poller = None
        if _select_is_patched():
            self._poller = select.poll()
            self._poller.register(self._fd, select.POLLIN)
        self._reader = threading.Thread(target=self._read_while_idle, name="orkan3270-reader", daemon=True)
        self._reader.start()
        self._await(lambda: self.hello is not None, time.monotonic() + timeout + _MARGIN)
        if self.hello is None:
            self.close()
            raise self._ended or ProgramEnded("no_hello", "the program did not greet")
        if host is not None:
            self.connect(host, **connect_options)

    # ---- plumbing
    #
    # Whichever thread waits for an answer reads the program's output itself while no other thread
    # does, so an answer reaches the thread that asked without a hand-over between threads. While no
    # request waits, a background thread reads the events, so the program never blocks on a full
    # pipe.

    def _next_line(self):
        """One line of output, or None at its end. Only the reading thread calls it."""
        while True:
            end = self._buffer.find(b"\n")
            if end >= 0:
                line = bytes(self._buffer[:end])
                del self._buffer[:end + 1]
                return line
            if self._poller is not None:
                self._poller.poll()
            chunk = os.read(self._fd, 65536)
            if not chunk:
                return None
            self._buffer += chunk

    def _read_one(self):
        """Reads and handles one line as the reading thread; False when the output has ended. The
        line is handled before another thread may read, so whoever waits for it sees it done."""
        answer = None
        try:
            line = self._next_line()
            if line is None:
                self._program_ended()
                return False
            text = line.decode("utf-8", "replace")
            if self._log_path:
                _log(text, "in", self._log_path)
            try:
                message = json.loads(text)
            except ValueError:
                return True
            if "event" in message:
                self._event(message)
                return True
            self.last_answer_at = time.perf_counter()
            answer = message
            return True
        finally:
            with self._cv:
                if answer is not None:
                    box = self._pending.pop(answer.get("id"), None)
                    if box is not None:
                        box.append(answer)
                self._reading = False
                if self._waiting:
                    self._cv.notify_all()

    def _await(self, done, deadline):
        """Returns once done() holds, the program has ended or the deadline (time.monotonic) passed,
        reading the output whenever no other thread does."""
        while True:
            with self._cv:
                while not done() and self._ended is None and self._reading:
                    remaining = None if deadline is None else deadline - time.monotonic()
                    if remaining is not None and remaining <= 0:
                        return
                    self._waiting += 1
                    try:
                        self._cv.wait(remaining)
                    finally:
                        self._waiting -= 1
                if done() or self._ended is not None:
                    return
                if deadline is not None and deadline <= time.monotonic():
                    return
                self._reading = True
            if not self._read_one():
                return

    def _read_while_idle(self):
        while True:
            with self._cv:
                while True:
                    if self._ended is not None:
                        return
                    idle = time.monotonic() - self._last_request
                    if not self._reading and not self._pending and idle >= _IDLE_READ_DELAY:
                        break
                    busy = self._reading or self._pending
                    self._idle.wait(_BUSY_RECHECK if busy else _IDLE_READ_DELAY - idle)
                self._reading = True
            if not self._read_one():
                return

    def _event(self, message):
        kind = message["event"]
        if kind == "hello":
            self.hello = message
        elif kind == "screen":
            self.seq = message["seq"]
        elif kind == "status":
            self.status = message["status"]
        self.events.append(message)
        del self.events[:-100]
        if self.on_event:
            self.on_event(message)

    def _program_ended(self):
        if self._ended is not None:
            return
        code = self._process.wait()
        self._stderr.seek(0)
        tail = self._stderr.read()[-2000:].decode("utf-8", "replace").strip()
        error = ProgramEnded("program_ended", f"the program ended (status {code})" + (f": {tail}" if tail else ""))
        with self._cv:
            self._ended = error
            self._pending = {}
            self._cv.notify_all()
            self._idle.notify_all()

    def request(self, request_name, /, _limit=None, **params):
        """Sends one request and returns its result; raises an OrkanError for an error answer.
        ``_limit``: seconds to wait for the answer (by default the request's own time-out and a
        margin; ``float("inf")`` for requests that end by themselves, such as a transfer)."""
        request_id = next(self._ids)
        message = {"id": request_id, "request": request_name}
        message.update({k: v for k, v in params.items() if v is not None})
        line = json.dumps(message, ensure_ascii=False)
        box = []
        with self._cv:
            if self._ended is not None:
                raise self._ended
            self._pending[request_id] = box
            self._last_request = time.monotonic()
        if self._log_path:
            _log(line, "out", self._log_path)
        try:
            data = memoryview(line.encode() + b"\n")
            with self._write_lock:
                while data:
                    data = data[os.write(self._in_fd, data):]
        except (BrokenPipeError, OSError, ValueError):
            self._await(lambda: False, time.monotonic() + 5)
            raise self._ended or ProgramEnded("program_ended", "the program is gone")
        limit = _limit
        if limit is None:
            limit = (params["timeout_ms"] / 1000.0 if params.get("timeout_ms") is not None else self.timeout) + _MARGIN
        self._await(lambda: bool(box), None if limit == float("inf") else time.monotonic() + limit)
        if not box:
            with self._cv:
                self._pending.pop(request_id, None)
            raise self._ended or ProgramEnded("no_answer", f"no answer to {request_name} within {limit:.0f} s")
        answer = box[0]
        if not answer.get("ok"):
            error = error_from_answer(answer["error"])
            if not error.screen and request_name not in ("screen", "quit"):
                self._add_screen(error)
            self.last_error = error
            raise error
        return answer["result"]

    def _add_screen(self, error):
        """Every error shows the screen and the last trace items, not only a failed wait's."""
        try:
            screen = self.request("screen", fields=False, trace=True)
        except OrkanError:
            return
        error.screen, error.status_line = screen["text"], screen["status_line"]
        error.status = error.status or screen["status"]
        error.trace = screen.get("trace", [])

    def _ms(self, timeout):
        return int((self.timeout if timeout is None else timeout) * 1000)

    # ---- the session

    def connect(self, host, *, port=None, tls=None, model=None, size=None, lu=None, code_page=None, tn3270e=None,
                wait=True, timeout=None):
        """Connects, and (with ``wait``) waits for the host's first screen to unlock the keyboard."""
        result = self.request("connect", host=host, port=port, tls=tls, model=model, size=size, lu=lu,
                              code_page=code_page, tn3270e=tn3270e)
        if wait:
            self.wait(unlocked(), timeout=timeout)
        return result

    def disconnect(self):
        return self.request("disconnect")

    def screen(self, fields=True, trace=False):
        return Screen(self.request("screen", fields=fields, trace=trace or None))

    def fields(self):
        return self.screen().fields

    def text(self, row, column, length=None):
        return self.request("text", row=row, column=column, length=length)["text"]

    def move(self, row, column):
        return self.request("move", row=row, column=column)

    def type(self, value, row=None, column=None, timeout=None):
        return self.request("type", text=value, row=row, column=column, timeout_ms=self._ms(timeout))

    def key(self, name, row=None, column=None, timeout=None):
        return self.request("key", key=name, row=row, column=column, timeout_ms=self._ms(timeout))

    def enter(self):
        return self.key("Enter")

    def clear(self):
        return self.key("Clear")

    def pf(self, n):
        return self.key(f"PF{n}")

    def pa(self, n):
        return self.key(f"PA{n}")

    def fill(self, value, row=None, column=None, label=None, label_position=None, timeout=None):
        """Erases an input field and types ``value`` into it: the field at (row, column) or the one
        a label on the screen names (to its left or above it)."""
        return Field(self.request("fill", text=value, row=row, column=column, label=label,
                                  label_position=label_position, timeout_ms=self._ms(timeout))["field"])

    def wait(self, *conditions, match="all", timeout=None):
        """Waits until the conditions hold (all of them, or any with match="any"); raises WaitTimeout
        or Disconnected with the screen and trace in it."""
        return self.request("wait", conditions=list(conditions), match=match, timeout_ms=self._ms(timeout))

    def wait_unlocked(self, quiet_ms=0, timeout=None):
        return self.wait(unlocked(quiet_ms), timeout=timeout)

    def wait_text(self, value, row=None, column=None, timeout=None, **options):
        return self.wait(text(value, row, column, **options), timeout=timeout)

    def wait_changed(self, since=None, timeout=None):
        return self.wait(changed(self.seq if since is None else since), timeout=timeout)

    def wait_disconnected(self, timeout=None):
        return self.wait(disconnected(), timeout=timeout)

    def transfer(self, direction, pc_file, host_file, *, system=None, mode=None, append=None, options=None,
                 timeout=None):
        return self.request("transfer", _limit=float("inf"), direction=direction, pc_file=os.path.abspath(pc_file), host_file=host_file,
                            system=system, mode=mode, append=append, options=options, timeout_ms=self._ms(timeout))

    def send_file(self, pc_file, host_file, **kw):
        return self.transfer("send", pc_file, host_file, **kw)

    def receive_file(self, host_file, pc_file, **kw):
        return self.transfer("receive", pc_file, host_file, **kw)

    def screenshot(self, path=None):
        """The screen and its status line as PNG bytes (also written to ``path`` when given)."""
        data = base64.b64decode(self.request("save", format="png")["data"])
        if path is not None:
            with open(path, "wb") as f:
                f.write(data)
        return data

    def save(self, path, format="text", append=None):
        return self.request("save", format=format, path=os.path.abspath(path), append=append)["path"]

    def print_screen(self, path):
        return self.request("print", path=os.path.abspath(path))["path"]

    def trace(self, on=True):
        return self.request("trace", on=on)

    def macro(self, file=None, text=None, timeout=None):
        """Runs a macro (own language or REXX) and returns its exit code."""
        timeout_ms = None if timeout is None else int(timeout * 1000)
        return self.request("macro", _limit=float("inf") if timeout is None else None, file=file, text=text,
                            timeout_ms=timeout_ms)["exit_code"]

    def get_option(self, section, name):
        return self.request("get_option", section=section, name=name)["value"]

    def set_option(self, section, name, value):
        return self.request("set_option", section=section, name=name, value=value)["value"]

    @property
    def connected(self):
        return self.status.get("connection", "not_connected") != "not_connected"

    def close(self, timeout=10.0):
        """Ends the program (quit, then a signal if it does not go)."""
        if self._closed:
            return
        self._closed = True
        if self._ended is None:
            try:
                self.request("quit")
            except OrkanError:
                pass
        try:
            self._process.stdin.close()
        except OSError:
            pass
        try:
            self._process.wait(timeout)
        except subprocess.TimeoutExpired:
            self._process.terminate()
            try:
                self._process.wait(timeout)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
        self._reader.join(timeout)
        self._cleanup()

    def _cleanup(self):
        self._stderr.close()
        if self._runtime_dir:
            shutil.rmtree(self._runtime_dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    @property
    def pid(self):
        return self._process.pid
