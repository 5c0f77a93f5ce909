"""Bad input gets an error answer and never a crash or a hang; the Unix socket's rules."""

import json
import os
import pathlib
import resource
import signal
import socket
import subprocess
import time

import pytest

from orkan3270.session import _log

HERE = pathlib.Path(__file__).parent
CASES = [line.split("\t", 1) for line in (HERE / "bad_lines.txt").read_text().splitlines()
         if line and not line.startswith("#")]


def start(*args, **kw):
    pipes = {"stdin": subprocess.PIPE, "stdout": subprocess.PIPE, "stderr": subprocess.PIPE}
    return subprocess.Popen([os.environ["ORKAN3270"], "--headless", *args], **{**pipes, **kw})


def answers(stream):
    for raw in stream:
        _log(raw.decode().rstrip("\n"), "in")
        message = json.loads(raw)
        if "event" not in message:
            yield message


def converse(*lines, then=()):
    """--api given `lines` (requests or raw bytes), `then` half a second later, then the end of its
    input: its answers, once it ended with status 0, and the program."""
    program = start("--api")
    encode = lambda line: line if isinstance(line, bytes) else json.dumps(line).encode()
    program.stdin.write(b"".join(encode(line) + b"\n" for line in lines))
    if then:
        program.stdin.flush()
        time.sleep(0.5)
        program.stdin.write(b"".join(encode(line) + b"\n" for line in then))
    program.stdin.close()
    got = list(answers(program.stdout))
    assert program.wait(60) == 0
    return got, program


def test_every_bad_line_is_answered_and_the_next_one_read():
    huge = b'{"id": 1, "request": "type", "text": "' + b"x" * (1 << 20) + b'"}'
    # A wait's text counts characters too: 20000 euro signs fit, 20001 do not.
    waits = [json.dumps({"id": 1, "request": "wait", "conditions": [{"kind": "text", "text": "\u20ac" * n}]},
                        ensure_ascii=False).encode() for n in (20000, 20001)]
    lines = [line.encode() for _, line in CASES] + waits + [b"", huge, b'{"id": "last", "request": "screen"}']
    got, _ = converse(*lines)
    assert [a.get("error", {}).get("code", "ok") for a in got] == \
           [code for code, _ in CASES] + ["disconnected", "bad_request", "bad_json", "line_too_long", "ok"]


@pytest.mark.parametrize("asked, code, said", [
    ({"request": "macro", "text": "WAIT(60)"}, "macro_stopped", ""),
    ({"request": "wait", "conditions": [{"kind": "disconnected"}, {"kind": "text", "text": "NOWHERE"}],
      "timeout_ms": 20000}, "timeout", "cancelled after"),
    ({"request": "connect", "host": "127.0.0.1"}, "connect_failed", "cancelled"),  # to a host that says nothing
])
def test_cancel_ends_the_request_being_carried_out_and_says_so(asked, code, said):
    silent = socket.socket()
    silent.bind(("127.0.0.1", 0))
    silent.listen(1)
    if asked["request"] == "connect":
        asked = {**asked, "port": silent.getsockname()[1]}
    try:
        started = time.monotonic()
        answered, _ = converse({"id": 1, **asked}, then=[{"id": 2, "request": "cancel"}, {"id": 3, "request": "screen"},
                                                          {"id": 4, "request": "cancel"}])
        assert time.monotonic() - started < 10
        got = {a["id"]: a for a in answered}
        assert got[2]["result"] == {"cancelled": asked["request"]}
        error = got[1]["error"]
        assert error["code"] == code and said in error["message"] and "20000" not in error["message"]
        assert got[3]["result"]["status"]["connection"] == "not_connected"
        assert got[4]["result"] == {"cancelled": None}  # nothing left to cancel
    finally:
        silent.close()


def test_a_stdout_that_cannot_be_written_ends_the_program_with_a_message():
    with open("/dev/full", "wb") as full:
        program = start("--api", stdout=full)
    _, said = program.communicate(b'{"id": 1, "request": "screen"}\n', timeout=60)
    assert program.returncode == 0
    assert b"stdout cannot be written" in said


def test_a_failed_append_leaves_the_file_as_it_was(tmp_path):
    kept = tmp_path / "kept.txt"
    kept.write_text("o" * 100)
    program = start("--api", preexec_fn=lambda: signal.signal(signal.SIGXFSZ, signal.SIG_IGN))
    replies = answers(program.stdout)

    def ask(request):
        program.stdin.write(json.dumps(request).encode() + b"\n")
        program.stdin.flush()
        return next(replies)

    assert ask({"id": 1, "request": "screen"})["ok"]
    # Once started, files may grow only a little past the old one, as on a disk that is full.
    resource.prlimit(program.pid, resource.RLIMIT_FSIZE, (120, resource.RLIM_INFINITY))
    answer = ask({"id": 2, "request": "save", "format": "text", "path": str(kept), "append": True})
    program.stdin.close()
    program.wait(timeout=60)
    assert answer["error"]["code"] == "save_failed"
    assert kept.read_text() == "o" * 100


def test_nothing_after_quit_is_carried_out(tmp_path):
    after = tmp_path / "after_quit.txt"
    got, _ = converse({"id": 1, "request": "quit"}, {"id": 2, "request": "save", "format": "text", "path": str(after)},
                      {"id": 3, "request": "screen"}, {"id": 4, "request": "cancel"})
    assert [m["id"] for m in got] == [1]
    assert not after.exists()


@pytest.mark.parametrize("make, args, said", [
    (lambda path: os.symlink("/tmp/elsewhere", path), [], b"socket path"),
    (lambda path: path.write_text("a file of the user's"), [], b"socket path"),
    (lambda path: None, ["--api"], b"--api and --api-socket cannot be used together"),
])
def test_socket_path_that_is_not_ours_is_refused(tmp_path, make, args, said):
    path = tmp_path / "api.sock"
    make(path)
    program = start("--api-socket", str(path), *args)
    assert program.wait(60) == 8
    assert said in program.stderr.read()


def connect_when_there(path):
    client = socket.socket(socket.AF_UNIX)
    for _ in range(1200):
        try:
            client.connect(str(path))
            return client
        except OSError:
            time.sleep(0.05)
    raise AssertionError(f"nobody listens on {path}")


def test_socket_serves_one_client_at_a_time(tmp_path):
    path = tmp_path / "api.sock"
    program = start("--api-socket", str(path))
    try:
        first = connect_when_there(path)
        assert os.stat(path).st_mode & 0o777 == 0o600
        reader = first.makefile("rb")
        assert json.loads(reader.readline())["event"] == "hello"
        second = socket.socket(socket.AF_UNIX)
        second.connect(str(path))
        busy = json.loads(second.makefile("rb").readline())
        _log(json.dumps(busy), "in")
        assert busy["error"]["code"] == "busy"
        first.sendall(b'{"id": 1, "request": "quit"}\n')
        assert json.loads(reader.readline())["ok"]
        assert program.wait(60) == 0
        assert not path.exists()
    finally:
        program.kill()
        program.wait()


@pytest.mark.parametrize("over_socket", [False, True])
def test_a_client_that_reads_no_answers_holds_up_nothing(tmp_path, over_socket):
    """Answers wait for the reader; the program still ends at once on SIGTERM."""
    requests = b"".join(b'{"id": %d, "request": "screen", "trace": true}\n' % i for i in range(400))
    if over_socket:
        path = tmp_path / "api.sock"
        program = start("--api-socket", str(path))
        client = connect_when_there(path)
        client.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        client.sendall(requests)
    else:
        program = start("--api")
        program.stdin.write(requests)
        program.stdin.flush()
    time.sleep(1)  # the answers fill what the reader's side holds
    program.terminate()
    try:
        assert program.wait(10) == 0
    finally:
        program.kill()
        program.wait()


def test_a_program_that_holds_the_socket_without_accepting_is_not_waited_for(tmp_path):
    path = tmp_path / "api.sock"
    holder = socket.socket(socket.AF_UNIX)
    holder.bind(str(path))
    holder.listen(0)
    queued = []
    while True:  # its queue of connections full, as a stopped program's is
        c = socket.socket(socket.AF_UNIX)
        c.setblocking(False)
        try:
            c.connect(str(path))
        except BlockingIOError:
            c.close()
            break
        queued.append(c)
    program = start("--api-socket", str(path))
    assert program.wait(10) == 8
    assert b"Another program listens" in program.stderr.read()


def test_a_macro_reaches_neither_the_requests_nor_the_answers():
    """A REXX macro's default streams and the programs it starts are not the interface's stream."""
    macro = ('/* REXX */\ncall lineout , "out"\ncall charout , "chars"\nx = linein()\n'
             'address system "cat; echo child"\nexit length(x)')
    # The macro reads while the next request arrives.
    got, program = converse({"id": 1, "request": "macro", "text": macro}, then=[{"id": 2, "request": "screen"}])
    assert [a["id"] for a in got] == [1, 2]
    assert got[0]["result"] == {"end": "finished", "exit_code": 0}
    said = program.stderr.read()
    assert b"out\ncharschild" in said
