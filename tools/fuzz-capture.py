#!/usr/bin/env python3
"""Records real sessions with testhost as fuzz seeds.

A small relay between a client and testhost keeps every byte on the wire, in both directions, with
the host's chunk boundaries as they were read. The clients are s3270 (an independent 3270 client,
driven through the demo application's every menu option) and, when given, our own headless
program. Each session gives NAME.host (host to client bytes), NAME.host.chunks (the size of each
chunk read, one per line), NAME.client (client to host bytes) and NAME.meta (what the session
was: model, TN3270E, LU), which tools/fuzz-seeds.py turns into seeds.

Usage: tools/fuzz-capture.py --testhost PATH [--orkan PATH] OUTDIR
"""

import argparse
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

TIMEOUT = 20


class Relay:
    """Accepts one client and joins it to the host, keeping what each side sent."""

    def __init__(self, host_port):
        self.host_port = host_port
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.host_chunks = []
        self.client_bytes = bytearray()
        self.done = threading.Event()
        self.thread = threading.Thread(target=self._run, daemon=True)
        self.thread.start()

    def _run(self):
        self.listener.settimeout(TIMEOUT)
        try:
            client, _ = self.listener.accept()
        except OSError:
            self.done.set()
            return
        host = socket.create_connection(("127.0.0.1", self.host_port), timeout=TIMEOUT)
        ends = {client: host, host: client}
        try:
            while ends:
                ready, _, _ = select.select(list(ends), [], [], TIMEOUT)
                if not ready:
                    break
                for s in ready:
                    data = s.recv(65536)
                    if not data:
                        ends = {}
                        break
                    if s is host:
                        self.host_chunks.append(bytes(data))
                    else:
                        self.client_bytes += data
                    ends[s].sendall(data)
        except OSError:
            pass
        finally:
            client.close()
            host.close()
            self.listener.close()
            self.done.set()


class TestHost:
    def __init__(self, path, args):
        self.proc = subprocess.Popen([path, "--port", "0", *args], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        line = self.proc.stdout.readline().strip()
        if not line.isdigit():
            raise RuntimeError(f"testhost printed no port: {line!r}")
        self.port = int(line)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class S3270:
    """s3270 reads one action per line and answers data lines, a status line and ok or error."""

    def __init__(self, model):
        self.proc = subprocess.Popen(["s3270", "-model", model], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.pending = b""

    def do(self, action):
        self.proc.stdin.write(action.encode() + b"\n")
        self.proc.stdin.flush()
        deadline = time.time() + TIMEOUT
        while time.time() < deadline:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                if line.strip() in (b"ok", b"error"):
                    return line.strip() == b"ok"
            ready, _, _ = select.select([self.proc.stdout], [], [], 1)
            if ready:
                data = os.read(self.proc.stdout.fileno(), 65536)
                if not data:
                    return False
                self.pending += data
        raise RuntimeError(f"s3270 did not answer {action}")

    def quit(self):
        try:
            self.do("Quit()")
        except (RuntimeError, BrokenPipeError, OSError):
            pass
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def logon():
    return ["Wait(10,InputField)", 'String("fuzz")', "Tab()", 'String("secret")', "Enter()",
            "Wait(10,Unlock)"]


def menu(option, *then):
    steps = ["Wait(10,Unlock)", f'String("{option}")', "Enter()", "Wait(10,Unlock)"]
    for action in then:
        steps += [action, "Wait(10,Unlock)"]
    return steps + ["PF(3)", "Wait(10,Unlock)"]


EVERY_OPTION = (
    logon()
    + menu("1", 'String("ACME")', "Tab()", 'String("12345")', "Tab()", 'String("7")', "Tab()",
           'String("1.50")', "Tab()", 'String("X")', "Enter()", 'String("H")', "Enter()", "PF(5)")
    + menu("4", "Enter()", 'String("typed")', "Enter()")
    + menu("5", 'String("abc")', "Enter()", "PF(5)")
    + menu("6", "Enter()", "PF(5)")
    + menu("7", "Enter()", 'String("logon applid(demo)")', "Enter()")
    + menu("8", "Enter()", "PF(5)")
    + menu("9", "Enter()", "Enter()")
    + menu("2") + menu("3", 'String("dyn")', "Enter()")
    + ["Clear()", "Wait(10,Unlock)", "PA(1)", "Wait(10,Unlock)", "PA(2)", "Wait(10,Unlock)",
       "Attn()", "Wait(10,Unlock)", "SysReq()", "Wait(10,Unlock)", "PF(24)", "Wait(10,Unlock)",
       'String("x")', "Enter()", "Wait(10,Unlock)", "PF(3)", "Wait(10,Unlock)"]
)

LARGE = logon() + menu("2") + menu("3", 'String("dyn")', "Enter()")

# name, s3270 model, host prefix, testhost options, actions, meta
S3270_SESSIONS = [
    ("s3270_tn3270e_m2", "3278-2-E", "", [], EVERY_OPTION, "model=2 tn3270e=1"),
    ("s3270_tn3270e_m4", "3278-4-E", "", [], LARGE, "model=4 tn3270e=1"),
    ("s3270_tn3270e_m5", "3278-5-E", "", [], LARGE, "model=5 tn3270e=1"),
    ("s3270_tn3270_m2", "3278-2-E", "", ["--no-tn3270e"], EVERY_OPTION, "model=2 tn3270e=0"),
    ("s3270_tn3270_m4", "3278-4-E", "", ["--no-tn3270e"], LARGE, "model=4 tn3270e=0"),
    ("s3270_plain_model", "3278-2", "", [], logon() + menu("1", "Enter()"), "model=2 tn3270e=1"),
    ("s3270_lu", "3278-2-E", "LU000003@", ["--lu-pool", "LU000001-LU000009"],
     logon() + menu("8", "PF(5)"), "model=2 tn3270e=1 lu=1"),
    ("s3270_reject", "3278-2-E", "", ["--reject", "INV-NAME"], logon(), "model=2 tn3270e=1"),
    ("s3270_no_functions", "3278-2-E", "", ["--functions", "none", "--no-query"],
     logon() + menu("7", "Enter()") + menu("9", "Enter()"), "model=2 tn3270e=1"),
    ("s3270_stream", "3278-2-E", "", ["--stream", "3"], ["Wait(10,Unlock)", "Wait(3,Seconds)"],
     "model=2 tn3270e=1"),
    ("s3270_stream_alternate", "3278-4-E", "", ["--stream", "2", "--stream-alternate"],
     ["Wait(10,Unlock)", "Wait(3,Seconds)"], "model=4 tn3270e=1"),
    ("s3270_garbage", "3278-2-E", "", ["--fault", "garbage=300", "--fault", "seed=7"],
     ["Wait(2,Seconds)"], "model=2 tn3270e=1"),
    ("s3270_garbage_raw", "3278-2-E", "", ["--fault", "garbage-raw=200", "--fault", "seed=9"],
     ["Wait(2,Seconds)"], "model=2 tn3270e=1"),
    ("s3270_oversize", "3278-2-E", "", ["--fault", "oversize=3000"], ["Wait(2,Seconds)"],
     "model=2 tn3270e=1"),
]

# name, our program's options, testhost options, meta
ORKAN_SESSIONS = [
    ("orkan_tn3270e_m2", ["--tn3270e", "--model", "2"], [], "model=2 tn3270e=1"),
    ("orkan_tn3270e_m4_lu", ["--tn3270e", "--model", "4", "--lu", "LU000001"],
     ["--lu-pool", "LU000001-LU000009"], "model=4 tn3270e=1 lu=1"),
    ("orkan_tn3270_m2", ["--model", "2"], ["--no-tn3270e"], "model=2 tn3270e=0"),
]


def save(outdir, name, relay, meta):
    relay.done.wait(TIMEOUT)
    host = b"".join(relay.host_chunks)
    with open(os.path.join(outdir, name + ".host"), "wb") as f:
        f.write(host)
    with open(os.path.join(outdir, name + ".host.chunks"), "w") as f:
        f.write("".join(f"{len(c)}\n" for c in relay.host_chunks))
    with open(os.path.join(outdir, name + ".client"), "wb") as f:
        f.write(relay.client_bytes)
    with open(os.path.join(outdir, name + ".meta"), "w") as f:
        f.write(meta + "\n")
    print(f"{name}: {len(host)} bytes from the host in {len(relay.host_chunks)} chunks, "
          f"{len(relay.client_bytes)} from the client")


def run_s3270(args, outdir, session):
    name, model, prefix, host_args, actions, meta = session
    host = TestHost(args.testhost, host_args + ["--once"])
    relay = Relay(host.port)
    client = S3270(model)
    try:
        client.do(f"Connect({prefix}127.0.0.1:{relay.port})")
        for action in actions:
            client.do(action)
        client.do("Disconnect()")
    finally:
        client.quit()
        host.stop()
    save(outdir, name, relay, meta)


def run_orkan(args, outdir, session):
    name, options, host_args, meta = session
    host = TestHost(args.testhost, host_args + ["--once"])
    relay = Relay(host.port)
    home = tempfile.mkdtemp(prefix="orkan-capture-")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home,
               ASAN_OPTIONS="detect_leaks=0")
    proc = subprocess.Popen([args.orkan, "--headless", "--dump", "--host", f"127.0.0.1:{relay.port}",
                             *options], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    try:
        time.sleep(3)
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
        host.stop()
        shutil.rmtree(home, ignore_errors=True)
    save(outdir, name, relay, meta)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--testhost", required=True)
    parser.add_argument("--orkan", help="the orkan3270 program, to record its side too")
    parser.add_argument("outdir")
    args = parser.parse_args()
    if not shutil.which("s3270"):
        sys.exit("s3270 is not installed (Debian package s3270; 'make deps' installs it)")
    os.makedirs(args.outdir, exist_ok=True)
    for session in S3270_SESSIONS:
        run_s3270(args, args.outdir, session)
    if args.orkan:
        for session in ORKAN_SESSIONS:
            run_orkan(args, args.outdir, session)


if __name__ == "__main__":
    main()
