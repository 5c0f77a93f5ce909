"""The automation interface's suite: the Python client against testhost. Every line any test
exchanges with the program is checked against docs/api/schema.json."""

import json
import os
import pathlib
import subprocess
import sys
import tempfile

import jsonschema
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "python"))
BUILD = pathlib.Path(os.environ.get("ORKAN_BINARY_DIR", ROOT / "build"))
os.environ.setdefault("ORKAN3270", os.environ.get("ORKAN_BIN", str(BUILD / "orkan3270")))
TESTHOST = os.environ.get("TESTHOST_BIN", str(BUILD / "tools" / "testhost" / "testhost"))
# The plugin's screenshots of failing tests go to a folder of this run, not into the source tree.
os.environ.setdefault("ORKAN3270_ARTIFACTS", tempfile.mkdtemp(prefix="orkan3270-artifacts-"))
SCHEMA = jsonschema.Draft202012Validator(json.loads((ROOT / "docs" / "api" / "schema.json").read_text()))

pytest_plugins = ["orkan3270.pytest_plugin"]


@pytest.fixture(scope="session", autouse=True)
def private_home(tmp_path_factory):
    """A home and runtime folder of this run's own: no test meets the user's sessions."""
    home = tmp_path_factory.mktemp("home")
    run = tmp_path_factory.mktemp("run")
    os.chmod(run, 0o700)
    os.environ.update(HOME=str(home), XDG_RUNTIME_DIR=str(run))
    os.environ.pop("XDG_CONFIG_HOME", None)
    return home


class Host:
    """testhost on a free loopback port, ended with the test."""

    def __init__(self, log, *args):
        self.process = subprocess.Popen([TESTHOST, "--port", "0", "--log", str(log), *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.port = int(self.process.stdout.readline())
        self.address = f"127.0.0.1:{self.port}"

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.process.terminate()
        self.process.wait(30)


@pytest.fixture(scope="module")
def demo_host(tmp_path_factory):
    with Host(tmp_path_factory.mktemp("host") / "host.log") as host:
        yield host.address


@pytest.fixture
def orkan_host(demo_host):
    return demo_host


@pytest.fixture(autouse=True)
def every_line_fits_the_schema(tmp_path, monkeypatch):
    log = tmp_path / "api-lines.jsonl"
    monkeypatch.setenv("ORKAN3270_API_LOG", str(log))
    yield log
    if not log.exists():
        return
    for record in log.read_text().splitlines():
        entry = json.loads(record)
        message = json.loads(entry["line"])
        errors = sorted(SCHEMA.iter_errors(message), key=lambda e: e.path)
        assert not errors, f"{entry['direction']} line breaks the schema: {entry['line'][:300]}\n{errors[0].message}"

