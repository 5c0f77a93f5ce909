"""Locust's distributed mode on loopback: a master and two workers drive clerks against testhost
for a few seconds; every round trip lands in the master's statistics and none failed."""

import csv
import os
import pathlib
import socket
import subprocess

HERE = pathlib.Path(__file__).parent


def test_master_and_two_workers(demo_host, tmp_path):
    env = dict(os.environ, PYTHONPATH=str(HERE.parents[1] / "python"))
    with socket.socket() as s:  # a free port for the master
        s.bind(("127.0.0.1", 0))
        port = str(s.getsockname()[1])
    common = ["/usr/bin/python3", "-m", "locust", "-f", str(HERE / "locustfile.py"), "-H", demo_host]
    master = subprocess.Popen(common + ["--headless", "--master", "--master-bind-host", "127.0.0.1",
                                        "--master-bind-port", port, "--expect-workers", "2", "-u", "4", "-r", "4",
                                        "-t", "6s", "--csv", str(tmp_path / "run"), "--only-summary"],
                              env=env, cwd=tmp_path, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    workers = [subprocess.Popen(common + ["--worker", "--master-host", "127.0.0.1", "--master-port", port],
                                env=env, cwd=tmp_path, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
               for _ in range(2)]
    try:
        _, errors = master.communicate(timeout=240)
        assert master.returncode == 0, errors[-3000:]
    finally:
        for p in [master, *workers]:
            p.kill() if p.poll() is None else None
            p.wait()
    with open(tmp_path / "run_stats.csv") as f:
        rows = {row["Name"]: row for row in csv.DictReader(f)}
    for name in ("connect", "logon", "open data entry", "save entry", "back to menu"):
        assert int(rows[name]["Request Count"]) > 0, name
    assert int(rows["Aggregated"]["Failure Count"]) == 0
