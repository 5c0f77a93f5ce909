"""The client's other layers: a py3270 script run by changing its import line, the pytest plugin's
artefacts of a failing test, and the package installed offline into a virtual environment."""

import os
import pathlib
import shutil
import subprocess
import sys

HERE = pathlib.Path(__file__).parent
PYTHON_DIR = HERE.parents[1] / "python"


def run(args, **kw):
    env = dict(os.environ, PYTHONPATH=str(PYTHON_DIR))
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=300, **kw)


def test_py3270_script_runs_with_its_import_line_changed(demo_host, tmp_path):
    saved = tmp_path / "screen.html"
    done = run([sys.executable, str(HERE / "py3270_logon.py"), demo_host, str(saved)])
    assert done.returncode == 0, done.stderr
    assert done.stdout.splitlines() == ["Type an option number from 1 to 9.", "DATA ENTRY", "True"]
    assert "MAIN MENU" in saved.read_text()


def test_a_failing_test_gets_screen_png_and_trace(demo_host, tmp_path):
    (tmp_path / "test_fails.py").write_text(
        "def test_fails(orkan_session):\n"
        "    orkan_session.fill('W' * 2 + 'secret', label='Password')\n"
        "    orkan_session.wait_text('NEVER THERE', timeout=0.2)\n")
    artefacts = tmp_path / "artefacts"
    done = run([sys.executable, "-m", "pytest", "-p", "orkan3270.pytest_plugin", "-p", "no:cacheprovider",
                f"--orkan-host={demo_host}", f"--orkan-artifacts={artefacts}", str(tmp_path / "test_fails.py")],
               cwd=tmp_path)
    assert done.returncode == 1, done.stdout
    for section in ("orkan3270 screen", "orkan3270 trace", "orkan3270 screenshot"):
        assert section in done.stdout
    assert "ORKAN DEMO HOST" in done.stdout and "WWsecret" not in done.stdout
    [png] = artefacts.iterdir()
    assert png.read_bytes()[:4] == b"\x89PNG"


def test_pip_installs_the_client_offline(tmp_path):
    source = tmp_path / "source"
    shutil.copytree(PYTHON_DIR, source)
    subprocess.run(["/usr/bin/python3", "-m", "venv", "--system-site-packages", str(tmp_path / "venv")], check=True)
    python = tmp_path / "venv" / "bin" / "python"
    install = subprocess.run([str(python), "-m", "pip", "install", "--no-index", "--no-build-isolation", str(source)],
                             capture_output=True, text=True, timeout=300)
    assert install.returncode == 0, install.stdout + install.stderr
    probe = subprocess.run([str(python), "-c", "import orkan3270, orkan3270.py3270, orkan3270.pytest_plugin; "
                            "print(orkan3270.find_program())"], capture_output=True, text=True, cwd=tmp_path)
    assert probe.stdout.strip() == os.environ["ORKAN3270"], probe.stderr
