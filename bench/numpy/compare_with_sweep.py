#!/usr/bin/python3
"""morvane-sweep against its numpy peer on the same haploid global grid.

usage: compare_with_sweep.py MORVANE_SWEEP [SIDE] [RUNS]

Runs the numpy peer (haploid_global_grid.py) and morvane-sweep --jobs 1 in
turn RUNS times (default 3) on a SIDE x SIDE grid (default 200) of x from 0 to
1 by c from 0.2 to 0.8, prints each one's median time that passes and
processor time and the ratio numpy / morvane-sweep, and checks that both give
the same T and the same p, q, DG and Fit to 1e-12 at every point. Exits 1 when
a point differs. OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE are left out of the
peer's environment, so that numpy runs its own kernels for this processor.
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PARAMETERS = ["--W1A", "0.9", "--W2A", "0.6", "--W1a", "0.6", "--W2a", "0.9",
              "--i", "3", "--j", "2", "--d", "0.9"]


def timed(command, env=None):
    """Time that passes and processor time of one run of command."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, env=env)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def check(table, peer):
    """Points where the sweep's table and the peer's lines differ."""
    with open(table) as f:
        rows = [line.rstrip("\n").split("\t") for line in f][2:]
    with open(peer) as f:
        lines = [line.rstrip("\n").split("\t") for line in f]
    if len(rows) != len(lines):
        return ["%d rows against %d lines" % (len(rows), len(lines))]
    bad = []
    for row, line in zip(rows, lines):
        # point, x, c, T, p, q, DG, Fit, converged
        if row[0] != line[0] or row[3] != line[1]:
            bad.append("point %s: T %s against %s" % (row[0], row[3], line[1]))
            continue
        for name, a, b in zip(("p", "q", "DG", "Fit"), row[4:8], line[2:6]):
            if abs(float(a) - float(b)) > 1e-12:
                bad.append("point %s: %s %s against %s" % (row[0], name, a, b))
    return bad


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sweep = sys.argv[1]
    side = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    xaxis, caxis = "0:1:%d" % side, "0.2:0.8:%d" % side
    env = {k: v for k, v in os.environ.items()
           if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    peer_times, sweep_times = [], []
    with tempfile.TemporaryDirectory() as folder:
        peer_out = os.path.join(folder, "peer.tsv")
        for run in range(runs):
            peer_times.append(timed([sys.executable, os.path.join(HERE, "haploid_global_grid.py"),
                                     xaxis, caxis, peer_out], env))
            final = os.path.join(folder, "sweep%d.mrv" % run)
            sweep_times.append(timed([sweep, "--model", "haploid-global"] + PARAMETERS +
                                     ["--vary", "x=" + xaxis, "--vary", "c=" + caxis,
                                      "--jobs", "1", "--final", final]))
        bad = check(os.path.join(folder, "sweep0.tsv"), peer_out)
    for name, times in (("numpy peer", peer_times), ("morvane-sweep", sweep_times)):
        print("%-14s median %.3f s passing, %.3f s processor (%d runs)"
              % (name, statistics.median(t[0] for t in times),
                 statistics.median(t[1] for t in times), len(times)))
    ratios = [p[0] / s[0] for p, s in zip(peer_times, sweep_times)]
    print("numpy / morvane-sweep: %.2f (median of paired runs; processor time %.2f)"
          % (statistics.median(ratios),
             statistics.median(p[1] / s[1] for p, s in zip(peer_times, sweep_times))))
    if bad:
        print("%d points differ, the first ones:" % len(bad))
        for line in bad[:10]:
            print("  " + line)
        sys.exit(1)
    print("all %d points agree: the same T, p, q, DG and Fit to 1e-12" % (side * side))


if __name__ == "__main__":
    main()
