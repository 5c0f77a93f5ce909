"""pytest plugin: the ``orkan_session`` fixture (a connected Session) and, when a test that uses it
fails, the screen text, a PNG and the last trace items attached to the report. Hidden fields never
show: the program leaves them blank in text and PNG, and the trace masks them in what was sent.

The host comes from ``--orkan-host HOST[:PORT]`` or $ORKAN3270_HOST, or from an ``orkan_host``
fixture of your own; PNGs go to ``--orkan-artifacts`` ($ORKAN3270_ARTIFACTS, else
``orkan3270-artifacts`` under the rootdir).
"""

import os
import re

import pytest

from .errors import OrkanError, describe_trace_item
from .session import Session


def pytest_addoption(parser):
    group = parser.getgroup("orkan3270")
    group.addoption("--orkan-host", default=os.environ.get("ORKAN3270_HOST"),
                    help="TN3270 host for the orkan_session fixture (HOST[:PORT])")
    group.addoption("--orkan-artifacts", default=os.environ.get("ORKAN3270_ARTIFACTS", "orkan3270-artifacts"),
                    help="folder for the screenshots of failed tests")


@pytest.fixture
def orkan_host(request):
    host = request.config.getoption("orkan_host")
    if not host:
        pytest.skip("no host for orkan_session: give --orkan-host or set ORKAN3270_HOST")
    return host


@pytest.fixture
def orkan_session(orkan_host):
    """A Session connected to the host, its first screen in."""
    session = Session()
    try:
        session.connect(orkan_host)
    except BaseException:
        session.close()
        raise
    yield session
    session.close()


def _artefact_path(item):
    folder = item.config.getoption("orkan_artifacts")
    if not os.path.isabs(folder):
        folder = os.path.join(str(item.config.rootpath), folder)
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, re.sub(r"[^A-Za-z0-9_.-]+", "_", item.nodeid) + ".png")


def _attach(item, report, session, excinfo):
    error = excinfo.value if excinfo is not None and isinstance(excinfo.value, OrkanError) else None
    try:
        screen = session.screen(trace=True)
        text = screen.masked_text()
        status_line = screen.status_line
        trace = screen.get("trace", [])
    except OrkanError:
        screen, text, status_line, trace = None, "", "", []
    if error is not None and error.screen and not text:
        text, status_line = "\n".join(error.screen), error.status_line
    if error is not None and error.trace:
        trace = error.trace
    if text:
        report.sections.append(("orkan3270 screen", f"{text}\nstatus line: {status_line}"))
    if trace:
        report.sections.append(("orkan3270 trace", "\n".join(describe_trace_item(t) for t in trace)))
    if screen is not None:
        try:
            path = _artefact_path(item)
            session.screenshot(path)
            report.sections.append(("orkan3270 screenshot", path))
            item.user_properties.append(("orkan3270_screenshot", path))
        except (OrkanError, OSError) as e:
            report.sections.append(("orkan3270 screenshot", f"none: {e}"))


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    if report.when != "call" or not report.failed:
        return
    session = getattr(item, "funcargs", {}).get("orkan_session")
    if isinstance(session, Session):
        _attach(item, report, session, call.excinfo)
