#!/usr/bin/env python3
"""200 sessions at once on this machine, through the Python client and as s3270 processes in the
same run: the memory each session's process takes (proportional set size, so shared pages count
once, and resident set size), and the round-trip latency (an attention key and the host's answer,
median and p99) while all of them work at once.

    bench/api_sessions.py [SESSIONS] [ROUND_TRIPS]        (defaults 200 and 10 per session)
"""

import concurrent.futures
import shutil
import sys
import time

from api_common import S3270, TestHost, machine, percentile, private_home

from orkan3270 import Session, unlocked


def memory_kb(pid):
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[0] in ("Rss:", "Pss:"):
                fields[parts[0][:-1]] = int(parts[1])
    return fields.get("Pss", 0), fields.get("Rss", 0)


def round_trips(count, trip):
    times = []
    for i in range(count):
        started = time.perf_counter()
        trip(i)
        times.append((time.perf_counter() - started) * 1000)
    return times


def run_ours(address, sessions, trips):
    with concurrent.futures.ThreadPoolExecutor(16) as pool:
        clients = list(pool.map(lambda _: Session(address), range(sessions)))
    try:
        time.sleep(1)
        memory = [memory_kb(s.pid) for s in clients]

        def trip(s):
            def one(i):
                s.key("PA1" if i % 2 == 0 else "PA2")
                s.wait(unlocked())
            return round_trips(trips, one)

        with concurrent.futures.ThreadPoolExecutor(sessions) as pool:
            latency = [t for times in pool.map(trip, clients) for t in times]
    finally:
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            list(pool.map(lambda s: s.close(), clients))
    return memory, latency


def run_theirs(address, sessions, trips):
    def start(_):
        s = S3270()
        s.run(f"Connect({address})")
        s.run("Wait(InputField)")
        return s

    with concurrent.futures.ThreadPoolExecutor(16) as pool:
        clients = list(pool.map(start, range(sessions)))
    try:
        time.sleep(1)
        memory = [memory_kb(s.process.pid) for s in clients]

        def trip(s):
            def one(i):
                s.run("PA(1)" if i % 2 == 0 else "PA(2)")
                s.run("Wait(Unlock)")
            return round_trips(trips, one)

        with concurrent.futures.ThreadPoolExecutor(sessions) as pool:
            latency = [t for times in pool.map(trip, clients) for t in times]
    finally:
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            list(pool.map(lambda s: s.close(), clients))
    return memory, latency


def main():
    sessions = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    trips = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    if not shutil.which("s3270"):
        print("api_sessions: s3270 is not installed (Debian package s3270)")
        return 77
    work = private_home()
    host = TestHost("--lu-pool", f"ORK001-ORK{sessions + 50:03d}")
    try:
        results = {"orkan3270 --api": run_ours(host.address, sessions, trips),
                   "s3270": run_theirs(host.address, sessions, trips)}
    finally:
        host.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{sessions} sessions at once, {trips} round trips each ({machine()})")
    figures = {}
    for name, (memory, latency) in results.items():
        pss = sum(m[0] for m in memory) / len(memory) / 1024
        rss = sum(m[1] for m in memory) / len(memory) / 1024
        median, p99 = percentile(latency, 50), percentile(latency, 99)
        figures[name] = (pss, rss, median, p99)
        print(f"{name:<16} memory per session: PSS {pss:5.2f} MB, RSS {rss:5.2f} MB   "
              f"round trip median {median:7.2f} ms, p99 {p99:7.2f} ms")
    ours, theirs = figures["orkan3270 --api"], figures["s3270"]
    print(f"ratio orkan3270/s3270: PSS {ours[0] / theirs[0]:.2f}   RSS {ours[1] / theirs[1]:.2f}   "
          f"p99 {ours[3] / theirs[3]:.2f}")
    print(f"target: at most 6 MB per session: {'met' if ours[0] <= 6 else 'missed'} (PSS)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
