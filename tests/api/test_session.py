"""The Python client against testhost's demo: logon, fields, waits that fail with the screen in
them, transfers, screenshots, macros, several sessions at once. (Data entry saved through the
client: test_locust.py's clerks; a refused typing: session_lines.txt.)"""

import io
import json
import os
import pathlib
import threading

import pytest
from PIL import Image, ImageChops

from conftest import Host
from orkan3270 import Disconnected, OrkanError, Session, WaitTimeout, changed, text, unlocked

# The data entry panel's fields by their label: what the demo declares for each.
ENTRY_FIELDS = [
    # label,              protected, numeric, intensified, colour,      highlight
    ("Customer name",     False,     False,   False,       "green",     "underscore"),
    ("Account number",    False,     True,    False,       "turquoise", "underscore"),
    ("Priority",          False,     False,   True,        "white",     "reverse"),
    ("Reference",         True,      False,   True,        "yellow",    "normal"),
]


def log_on(session):
    session.fill("me", label="User id")
    session.fill("secret", label="Password")
    session.enter()
    session.wait(text("MAIN MENU"), unlocked())


def field_after(screen, label):
    row = next(i for i, line in enumerate(screen.lines) if label in line) + 1
    column = screen.lines[row - 1].index(label) + len(label)
    return next(f for f in screen.fields if f.row == row and f.column > column)


def test_logon_and_data_entry_with_field_attributes(orkan_session):
    s = orkan_session
    password = field_after(s.screen(), "Password")
    assert (password.hidden, password.protected) == (True, False)
    log_on(s)
    s.fill("1", label="Option")
    s.enter()
    s.wait_text("DATA ENTRY")
    screen = s.screen()
    for label, protected, numeric, intensified, colour, highlight in ENTRY_FIELDS:
        f = field_after(screen, label)
        assert (f.protected, f.numeric, f.intensified, f.colour, f.highlight) == \
               (protected, numeric, intensified, colour, highlight), label
    assert field_after(screen, "Reference").text.startswith("ORK-000123")
    s.fill("Ada", label="Customer name")
    assert field_after(s.screen(), "Customer name").modified


def held_in(expected, got):
    if isinstance(expected, dict):
        return isinstance(got, dict) and all(k in got and held_in(v, got[k]) for k, v in expected.items())
    return expected == got


def test_a_conversation_of_requests_and_their_answers(orkan_session, orkan_host, tmp_path):
    lines = (pathlib.Path(__file__).parent / "session_lines.txt").read_text().splitlines()
    os.mkfifo(tmp_path / "fifo")
    os.symlink(tmp_path / "screen.txt", tmp_path / "link")
    for number, line in enumerate(lines, 1):
        if not line or line.startswith("#"):
            continue
        line = line.replace("$HOME", os.environ["HOME"])
        code, request, *held = line.replace("$HOST", orkan_host).replace("$TMP", str(tmp_path)).split("\t")
        params = json.loads(request)
        try:
            got, answer = "ok", orkan_session.request(params.pop("request"), **params)
        except OrkanError as e:
            got, answer = e.code, {**e.details, "message": e.message}
        where = f"session_lines.txt:{number}: {line}"
        assert got == code, f"{where}\n{answer}"
        assert held_in(json.loads(held[0]) if held else {}, answer), f"{where}\n{answer}"
    saved = (tmp_path / "screen.txt").read_text()  # the same screen saved, then appended
    assert "MAIN MENU" in saved and saved == saved[:len(saved) // 2] * 2


def test_failed_wait_shows_the_screen_and_the_trace(orkan_session):
    with pytest.raises(WaitTimeout) as failed:
        orkan_session.wait_text("NOT ON ANY SCREEN", timeout=0.3)
    e = failed.value
    assert any("ORKAN DEMO HOST" in row for row in e.screen)
    assert e.waited_ms >= 300 and e.condition["match"] == "all"
    assert any(item["type"] == "record" for item in e.trace)
    assert "ORKAN DEMO HOST" in str(e)


def test_a_disconnect_ends_a_wait_at_once(orkan_session):
    s = orkan_session
    s.pf(3)  # the demo's logon panel logs off
    with pytest.raises(Disconnected) as ended:
        s.wait_text("NOT ON ANY SCREEN", timeout=600)
    assert ended.value.code == "disconnected"
    s.wait_disconnected(timeout=5)


def test_screenshot_is_drawn_without_hidden_fields(orkan_session):
    s = orkan_session
    blank = Image.open(io.BytesIO(s.screenshot())).convert("RGB")
    s.fill("WWW", label="Password")
    shot = Image.open(io.BytesIO(s.screenshot())).convert("RGB")
    screen = s.screen()
    width, height = shot.size
    assert blank.size == shot.size and width % screen["columns"] == 0
    cell_w, cell_h = width // screen["columns"], (height - 2) // (screen["rows"] + 1)

    def colours(row, column, count):
        box = ((column - 1) * cell_w, (row - 1) * cell_h, (column - 1 + count) * cell_w, row * cell_h)
        return len(shot.crop(box).getcolors(1 << 16))

    password = field_after(screen, "Password")
    assert colours(password.row, password.column, password.length) == 1
    assert colours(1, screen.lines[0].index("ORKAN") + 1, 4) > 2  # letters, smoothed
    # Typing into the hidden field changed nothing above the status line; the status line moved on.
    changed_box = ImageChops.difference(shot, blank).getbbox()
    assert changed_box and changed_box[1] >= screen["rows"] * cell_h


@pytest.mark.parametrize("write, starts_with", [
    (lambda s, path: s.print_screen(path + ".pdf"), b"%PDF"),
    (lambda s, path: s.print_screen(path + ".txt"), b"                                 ORKAN DEMO HOST"),
    (lambda s, path: s.save(path + ".html", format="html"), b'<meta charset="utf-8">'),
])
def test_print_and_save_write_the_screen(orkan_session, tmp_path, write, starts_with):
    written = write(orkan_session, str(tmp_path / "screen"))
    with open(written, "rb") as f:
        assert f.read().startswith(starts_with)


def test_trace_file_and_a_failed_connect(tmp_path):
    with Session() as s:
        with pytest.raises(OrkanError) as refused:
            s.connect("127.0.0.1:1")
        assert refused.value.code == "connect_failed"
        box = [e for e in s.events if e["event"] == "message"][-1]
        assert (box["buttons"], box["answer"]) == ("retry_cancel", "cancel") and box["text"] in refused.value.message
        traced = s.trace(on=True)
        assert traced["on"] and s.trace(on=False)["on"] is False
        assert open(traced["path"], "rb").read(4)


def test_a_macros_own_typing_is_no_change_of_the_host(orkan_session):
    s = orkan_session
    s.wait_unlocked()
    since = s.seq
    s.macro(text='TYPE("xyz") ; KEY("EraseInput")', timeout=30)
    with pytest.raises(WaitTimeout):
        s.wait(changed(since), timeout=0.2)


def test_many_sessions_from_many_threads(demo_host):
    failures = []

    def clerk(session):
        try:
            log_on(session)
            session.fill("0", label="Option")
            session.enter()
            session.wait_text("Type an option number")
        except OrkanError as e:
            failures.append(e)

    with Session(demo_host) as shared, Session(demo_host) as other:
        threads = [threading.Thread(target=clerk, args=(shared,)), threading.Thread(target=clerk, args=(other,))]
        # A second thread on the shared session reads the screen meanwhile.
        threads.append(threading.Thread(target=lambda: [shared.screen() for _ in range(20)]))
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    assert not failures, failures


def test_file_transfer_round_trip(tmp_path):
    with Host(tmp_path / "host.log", "--transfer", "tso", "--transfer-files", str(tmp_path / "host")) as host:
        data = "".join(f"line {i:04d} of the test file\n" for i in range(500))
        sent = tmp_path / "sent.txt"
        sent.write_text(data)
        with Session(host.address) as s:
            sent_result = s.send_file(sent, "'ORKUSER.API.TEST'")
            # The progress counts towards the bytes the host gets: each LF goes as CR LF.
            sending = [e for e in s.events if e["event"] == "transfer" and e["direction"] == "send"]
            assert sending[-1]["total"] == sent_result["bytes"] == len(data) + data.count("\n")
            s.wait_unlocked()
            back = tmp_path / "back.txt"
            result = s.receive_file("'ORKUSER.API.TEST'", back)
            assert "complete" in result["message"]
            assert back.read_text() == data
            progress = [e for e in s.events if e["event"] == "transfer"]
            assert progress and progress[-1]["bytes"] == result["bytes"]
            with pytest.raises(OrkanError) as missing:
                s.wait_unlocked()
                s.receive_file("'ORKUSER.NOT.THERE'", tmp_path / "none.txt")
            assert missing.value.code == "transfer_failed"


def test_a_transfer_message_with_an_accent_arrives_as_the_host_wrote_it(tmp_path):
    """The host's message names the file as typed; it reaches the client once converted."""
    with Host(tmp_path / "host.log", "--transfer", "cms", "--transfer-mode", "frames") as host:
        with Session(host.address) as s:
            s.wait_unlocked()
            with pytest.raises(OrkanError) as refused:
                s.receive_file("ÄX DATA A", tmp_path / "none.txt", system="cms")
            assert refused.value.message.startswith("TRANS05 - Invalid file name: ÄX DATA A")
            ended = [e for e in s.events if e["event"] == "transfer"][-1]
            assert ended["text"] == "TRANS05 - Invalid file name: ÄX DATA A"
