#!/usr/bin/env python3
"""Times whole processes: median wall and process time (user + system, from the child's rusage)
and peak memory over several runs, after one warm-up run. Peak memory comes from GNU time run
between this script and the command, so the script's own memory is not counted.

    measure.py RUNS -- COMMAND [ARG...]      prints "wall_ms cpu_ms peak_kib exit_status"
"""
import os
import tempfile
import statistics
import sys
import time


def run_once(argv):
    report = tempfile.NamedTemporaryFile(prefix="measure-", delete=False)
    report.close()
    argv = ["/usr/bin/time", "-f", "%M", "-o", report.name] + argv
    start = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        devnull = os.open(os.devnull, os.O_RDWR)
        os.dup2(devnull, 0)
        os.dup2(devnull, 1)
        os.dup2(devnull, 2)
        try:
            os.execvp(argv[0], argv)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    wall = (time.perf_counter() - start) * 1000
    with open(report.name) as f:
        lines = [line for line in f.read().split() if line.isdigit()]
    os.unlink(report.name)
    peak = int(lines[-1]) if lines else 0
    return wall, (usage.ru_utime + usage.ru_stime) * 1000, peak, os.waitstatus_to_exitcode(status)


def main():
    runs = int(sys.argv[1])
    argv = sys.argv[sys.argv.index("--") + 1:]
    run_once(argv)  # warm-up: file cache, dynamic loader
    results = [run_once(argv) for _ in range(runs)]
    wall = statistics.median(r[0] for r in results)
    cpu = statistics.median(r[1] for r in results)
    peak = max(r[2] for r in results)
    status = max(r[3] for r in results)
    print(f"{wall:.1f} {cpu:.1f} {peak} {status}")


if __name__ == "__main__":
    main()
