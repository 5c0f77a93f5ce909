#!/usr/bin/env python3
"""A scripted flow of 20 host screens on testhost's demo through the Python client and the same
flow through s3270's script interface, interleaved in the same run: logon, then six times the
data entry panel, a saved entry and back to the menu. Prints the medians (the whole run from the
program's start, and the flow once connected) and our figures as ratios of s3270's.

    bench/api_flow.py [RUNS]        (default 7 of each)
"""

import shutil
import statistics
import sys
import time

from api_common import S3270, TestHost, machine, private_home

from orkan3270 import Session, unlocked

ENTRIES = 6  # 2 + 3 x 6 = 20 screens


def ours(address):
    started = time.perf_counter()
    with Session() as s:
        s.connect(address)
        connected = time.perf_counter()

        def send(key):
            s.key(key)
            s.wait(unlocked())

        s.fill("me", 7, 28)
        send("Enter")
        for n in range(ENTRIES):
            s.fill("1", 13, 16)
            send("Enter")
            s.fill(f"Ada{n}", 3, 23)
            s.fill("3", 5, 23)
            s.fill("M", 7, 23)
            send("Enter")
            send("PF3")
        assert "MAIN MENU" in s.text(1, 1, 80)
        flow = time.perf_counter() - connected
    return time.perf_counter() - started, flow


def theirs(address):
    started = time.perf_counter()
    s = S3270()
    s.run(f"Connect({address})")
    s.run("Wait(InputField)")
    connected = time.perf_counter()

    def fill(row, column, text):
        s.run(f"MoveCursor({row - 1},{column - 1})")
        s.run("EraseEOF")
        s.run(f'String("{text}")')

    def send(key):
        s.run(key)
        s.run("Wait(Unlock)")

    fill(7, 28, "me")
    send("Enter")
    for n in range(ENTRIES):
        fill(13, 16, "1")
        send("Enter")
        fill(3, 23, f"Ada{n}")
        fill(5, 23, "3")
        fill(7, 23, "M")
        send("Enter")
        send("PF(3)")
    assert "MAIN MENU" in s.run("Ascii(0,0,80)")[0]
    flow = time.perf_counter() - connected
    s.close()
    return time.perf_counter() - started, flow


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    if not shutil.which("s3270"):
        print("api_flow: s3270 is not installed (Debian package s3270)")
        return 77
    work = private_home()
    host = TestHost()
    results = {"orkan3270 client": [], "s3270 script": []}
    try:
        for _ in range(runs):
            results["orkan3270 client"].append(ours(host.address))
            results["s3270 script"].append(theirs(host.address))
    finally:
        host.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"20-screen flow on the demo host, median of {runs} runs each ({machine()})")
    medians = {}
    for name, values in results.items():
        whole = statistics.median(v[0] for v in values) * 1000
        flow = statistics.median(v[1] for v in values) * 1000
        medians[name] = (whole, flow)
        print(f"{name:<18} whole run {whole:8.1f} ms   flow once connected {flow:8.1f} ms")
    ours_, theirs_ = medians["orkan3270 client"], medians["s3270 script"]
    print(f"ratio orkan3270/s3270: whole run {ours_[0] / theirs_[0]:.2f}   flow {ours_[1] / theirs_[1]:.2f}")
    print(f"target: the flow at most s3270's time: {'met' if ours_[1] <= theirs_[1] else 'missed'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
