"""What the automation interface's benchmarks share: testhost, a forwarding proxy that notes when
the host's bytes pass, s3270 driven through its script interface, and the figures."""

import os
import pathlib
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
BUILD = pathlib.Path(os.environ.get("ORKAN_BINARY_DIR", ROOT / "build"))
sys.path.insert(0, str(ROOT / "python"))
os.environ.setdefault("ORKAN3270", str(BUILD / "orkan3270"))
TESTHOST = str(BUILD / "tools" / "testhost" / "testhost")


def private_home():
    """A home and runtime folder of the benchmark's own."""
    work = tempfile.mkdtemp(prefix="orkan-bench-")
    os.makedirs(f"{work}/home")
    os.makedirs(f"{work}/run", mode=0o700)
    os.environ.update(HOME=f"{work}/home", XDG_RUNTIME_DIR=f"{work}/run")
    os.environ.pop("XDG_CONFIG_HOME", None)
    return work


class TestHost:
    def __init__(self, *args):
        self.process = subprocess.Popen([TESTHOST, "--port", "0", *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.port = int(self.process.stdout.readline())
        self.address = f"127.0.0.1:{self.port}"

    def stop(self):
        self.process.terminate()
        self.process.wait(30)


class Proxy:
    """Forwards one client's connection to the host and notes the time of every chunk the host
    writes, as it arrives, before passing it on."""

    def __init__(self, host_port):
        self.host_port = host_port
        self.host_writes = []
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.address = f"127.0.0.1:{self.listener.getsockname()[1]}"
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        client, _ = self.listener.accept()
        host = socket.create_connection(("127.0.0.1", self.host_port))
        for s in (client, host):
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=self._pump, args=(host, client, True), daemon=True).start()
        self._pump(client, host, False)

    def _pump(self, source, target, from_host):
        while True:
            try:
                data = source.recv(65536)
            except OSError:
                data = b""
            if from_host and data:
                self.host_writes.append(time.perf_counter())
            if not data:
                for s in (source, target):
                    try:
                        s.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass
                return
            target.sendall(data)

    def first_write_after(self, index):
        return self.host_writes[index]


class S3270:
    """s3270 through its script interface (commands on stdin, answers ending in ok or error)."""

    def __init__(self):
        self.process = subprocess.Popen(["s3270"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.out = self.process.stdout

    def run(self, command):
        self.process.stdin.write(command.encode() + b"\n")
        self.process.stdin.flush()
        data = []
        while True:
            line = self.out.readline()
            if not line:
                raise RuntimeError(f"s3270 ended during {command}")
            line = line.decode().rstrip("\n")
            if line == "ok":
                return data
            if line == "error":
                raise RuntimeError(f"s3270: {command} failed: {data}")
            if line.startswith("data: "):
                data.append(line[6:])

    def close(self):
        try:
            self.run("Quit")
        except (RuntimeError, OSError):
            pass
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def summary(name, values_ms):
    return f"{name:<28} median {statistics.median(values_ms):7.3f} ms   p99 {percentile(values_ms, 99):7.3f} ms"


def machine():
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")), "?")
    return f"{os.cpu_count()} cpus, {cpu}, load {os.getloadavg()[0]:.1f}, {time.strftime('%Y-%m-%d')}"
