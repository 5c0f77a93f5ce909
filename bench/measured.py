#!/usr/bin/python3
"""Runs a command and prints "wall_ms cpu_ms" for it (CPU: user + system of the command and its
children), to the microsecond where /usr/bin/time gives hundredths of a second. Standard input and
output pass through; the figures go to the file named by --out. The exit status is the command's.
Peak memory is not taken here: the kernel would count this interpreter's pages, which the child
shares until it starts the command; read VmHWM in /proc/PID/status before the command ends.

    bench/measured.py --out FILE -- COMMAND ARGS...
"""
import argparse
import os
import resource
import subprocess
import sys
import time


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")
    start = time.perf_counter()
    status = subprocess.call(command)
    wall = time.perf_counter() - start
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    with open(args.out, "w") as out:
        out.write(f"{wall * 1e3:.2f} {(usage.ru_utime + usage.ru_stime) * 1e3:.2f}\n")
    return status if status >= 0 else 128 - status


if __name__ == "__main__":
    sys.exit(main())
