#!/usr/bin/env python3
"""Latency from testhost's write to the client knowing of it: our automation interface's screen
event and its wait's answer, against s3270's Wait(Unlock) through its script interface, in the same
run. A proxy between client and testhost notes when each host write passes; PA1 and PA2 alternate
so every answer changes the screen; testhost answers 5 ms late, so every wait is pending first.
Our times are taken where the client's reader thread gets the line, s3270's where the script
reads its "ok".

    bench/api_latency.py [ROUNDS]        (default 400 per client, interleaved in blocks of 50)
"""

import shutil
import sys
import time

from api_common import S3270, Proxy, TestHost, machine, percentile, private_home, summary

from orkan3270 import Session, unlocked


def ours(host_port, rounds, into_event, into_wait):
    proxy = Proxy(host_port)
    events = []
    with Session(on_event=lambda e: events.append(time.perf_counter()) if e["event"] == "screen" else None) as s:
        s.connect(proxy.address)
        s.wait_unlocked(quiet_ms=200)
        for i in range(rounds):
            mark, seen = len(proxy.host_writes), len(events)
            s.key("PA1" if i % 2 == 0 else "PA2")
            s.wait(unlocked())
            done = s.last_answer_at
            host = proxy.first_write_after(mark)
            into_wait.append((done - host) * 1000)
            into_event.append((events[seen] - host) * 1000)


def theirs(host_port, rounds, into):
    proxy = Proxy(host_port)
    s = S3270()
    try:
        s.run(f"Connect({proxy.address})")
        s.run("Wait(InputField)")
        time.sleep(0.2)
        for i in range(rounds):
            mark = len(proxy.host_writes)
            s.run("PA(1)" if i % 2 == 0 else "PA(2)")
            s.run("Wait(Unlock)")
            done = time.perf_counter()
            into.append((done - proxy.first_write_after(mark)) * 1000)
    finally:
        s.close()


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 400
    if not shutil.which("s3270"):
        print("api_latency: s3270 is not installed (Debian package s3270)")
        return 77
    work = private_home()
    host = TestHost("--fault", "slow=5")
    event, wait, s3270 = [], [], []
    try:
        block = 50
        for _ in range(0, rounds, block):
            ours(host.port, block, event, wait)
            theirs(host.port, block, s3270)
    finally:
        host.stop()
        shutil.rmtree(work, ignore_errors=True)
    print(f"host write to client, {rounds} round trips each ({machine()})")
    print(summary("orkan3270 --api event", event))
    print(summary("orkan3270 --api wait", wait))
    print(summary("s3270 Wait(Unlock)", s3270))
    for name, values in (("event", event), ("wait", wait)):
        print(f"ratio {name}/s3270: median {sorted(values)[len(values) // 2] / sorted(s3270)[len(s3270) // 2]:.2f}"
              f"   p99 {percentile(values, 99) / percentile(s3270, 99):.2f}")
    print(f"target: p99 of the wait at most 5 ms: {'met' if percentile(wait, 99) <= 5 else 'missed'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
