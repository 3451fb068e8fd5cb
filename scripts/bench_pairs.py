#!/usr/bin/env python3
"""Times whole-process commands beside their floors, interleaved.

Each pair is run RUNS times in alternating order (command, floor, floor,
command, ...), so both see the same moments of a shared machine. Prints the
median wall time, the median CPU time (user + system, from wait4) and the peak
resident set of each, and the ratio of the medians. Used by bench_figures.sh.

usage: bench_pairs.py RUNS PAIRS_FILE
PAIRS_FILE holds one pair a line, fields separated by tabs: name, limit (the
largest ratio the task allows), command, floor, and optionally "differ-ok"
(exit code 1 is a result, as for diff and cmp); commands run through /bin/sh.
"""
import os
import statistics
import subprocess
import sys
import time


def run(cmd):
    start = time.perf_counter()
    proc = subprocess.Popen(["/bin/sh", "-c", cmd], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, proc.returncode, err


def measure(runs, cmd, floor, ok_codes):
    rows = {"cmd": [], "floor": []}
    for i in range(runs):
        order = [("cmd", cmd), ("floor", floor)] if i % 2 == 0 else [("floor", floor), ("cmd", cmd)]
        for key, c in order:
            wall, cpu, rss, code, err = run(c)
            if code not in ok_codes:
                sys.exit(f"'{c}' exited with {code}: {err.strip()}")
            rows[key].append((wall, cpu, rss))
    out = {}
    for key, values in rows.items():
        out[key] = (statistics.median(v[0] for v in values), statistics.median(v[1] for v in values),
                    max(v[2] for v in values))
    return out


def ms(seconds):
    return f"{seconds * 1e3:8.1f} ms"


def main():
    runs = int(sys.argv[1])
    pairs = [line.rstrip("\n").split("\t") for line in open(sys.argv[2]) if line.strip() and not line.startswith("#")]
    print(f"{'figure':34} {'wall':>11} {'CPU':>11} {'peak':>9} | {'floor wall':>11} {'floor CPU':>11} | "
          f"{'ratio':>6} {'limit':>5}")
    for name, limit, cmd, floor, *rest in pairs:
        ok_codes = {0, 1} if rest and rest[0] == "differ-ok" else {0}
        m = measure(runs, cmd, floor, ok_codes)
        (w, c, r), (fw, fc, _) = m["cmd"], m["floor"]
        ratio = w / fw if fw > 0 else float("inf")
        mark = "!" if ratio > float(limit) else " "
        print(f"{name:34} {ms(w)} {ms(c)} {r // 1024:5d} MiB | {ms(fw)} {ms(fc)} | {ratio:5.2f}{mark} {limit:>5}",
              flush=True)


if __name__ == "__main__":
    main()
